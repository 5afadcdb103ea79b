#include "app/WatchNotice.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

QString contractsWord(int count) {
    const int lastTwo = count % 100;
    const int last = count % 10;
    if (lastTwo >= 11 && lastTwo <= 14) return QStringLiteral("новых контрактов");
    if (last == 1) return QStringLiteral("новый контракт");
    if (last >= 2 && last <= 4) return QStringLiteral("новых контракта");
    return QStringLiteral("новых контрактов");
}

}  // namespace

QString RoublesText(double sum) {
    return QLocale(QLocale::Russian, QLocale::Russia).toString(sum, 'f', 2) +
           QStringLiteral(" ₽");
}

std::optional<WatchNotice> NewContractsNotice(const RunSummary& summary) {
    WatchNotice notice;
    int total = 0;
    QStringList workbooks;
    for (const ReportFigures& report : summary.reports) {
        if (report.newContracts <= 0) continue;
        total += report.newContracts;
        const QString name = report.isGroup ? QStringLiteral("«%1»").arg(report.name) : report.name;
        notice.body += QStringLiteral("%1: %2 %3 на %4\n")
                           .arg(name)
                           .arg(report.newContracts)
                           .arg(contractsWord(report.newContracts), RoublesText(report.newSum));
        const QString file =
            report.workbookFile.isEmpty() ? report.reportFile : report.workbookFile;
        if (!file.isEmpty() && !workbooks.contains(file)) workbooks << file;
    }
    if (total == 0) return std::nullopt;
    notice.body.chop(1);
    notice.summary = QStringLiteral("Поиск контрактов: %1 %2").arg(total).arg(contractsWord(total));
    if (workbooks.size() == 1)
        notice.openPath = workbooks.first();
    else if (!workbooks.isEmpty())
        notice.openPath = QDir::fromNativeSeparators(summary.programDir);
    return notice;
}

WatchNotice FailingChecksNotice(int failures, const QString& reason, const QString& logFile) {
    WatchNotice notice;
    notice.summary = QStringLiteral("Поиск контрактов: проверки не удаются");
    notice.body = QStringLiteral("Не удались %1 проверки подряд. Причина: %2\nЛог: %3")
                      .arg(failures)
                      .arg(reason.isEmpty() ? QStringLiteral("не названа") : reason, logFile);
    return notice;
}
