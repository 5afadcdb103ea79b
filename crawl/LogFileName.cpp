#include "crawl/LogFileName.h"

#include <QFileInfo>

namespace {

bool Taken(const QString& programDir, const QString& name) {
    return QFileInfo::exists(programDir + name);
}

}  // namespace

QString FreeLogFileName(const QString& programDir, qint32 tick) {
    const QString stem = QStringLiteral("log%1").arg(tick);
    QString name = stem + QStringLiteral(".txt");
    for (int suffix = 2; Taken(programDir, name); ++suffix)
        name = stem + QStringLiteral("_%1.txt").arg(suffix);
    return name;
}

QString KeepLogFileNameFree(const QString& programDir, const QString& name) {
    if (!Taken(programDir, name)) return name;
    QString stem = name.chopped(4);  // "log<tick>[_N]"
    const qsizetype underscore = stem.indexOf(QLatin1Char('_'));
    if (underscore >= 0) stem.truncate(underscore);
    return FreeLogFileName(programDir, stem.mid(3).toInt());
}
