#include "report/MissingWorkbooks.h"

#include "platform/ProcessAlive.h"
#include "report/WorkbookConversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QRegularExpression& reportName() {
    static const QRegularExpression name(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_частичный)?\\.tab$"));
    return name;
}

const QRegularExpression& partName() {
    static const QRegularExpression name(QStringLiteral("\\.xlsx\\.(\\d+)\\.part$"));
    return name;
}

void scanFolder(const QString& folder, QStringList& reports) {
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QString name = entry.fileName();
        if (reportName().match(name).hasMatch()) {
            if (!QFileInfo::exists(WorkbookPath(entry.filePath()))) reports << entry.filePath();
            continue;
        }
        const QRegularExpressionMatch part = partName().match(name);
        if (part.hasMatch() && !IsProcessRunning(part.captured(1).toLongLong()))
            QFile::remove(entry.filePath());
    }
}

}  // namespace

QStringList ReportsWithoutWorkbook(const QString& programDir) {
    QStringList reports;
    scanFolder(programDir, reports);
    for (const QFileInfo& group : QDir(programDir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        scanFolder(group.filePath(), reports);
    reports.sort();
    return reports;
}

QString WorkbookPartPath(const QString& workbookPath) {
    return workbookPath + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
}
