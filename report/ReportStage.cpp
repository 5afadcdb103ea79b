#include "report/ReportStage.h"

#include "report/InnRequest.h"
#include "report/MissingWorkbooks.h"
#include "report/ReportFile.h"
#include "report/ReportRun.h"
#include "report/ShownLinksFile.h"
#include "store/ContractQueries.h"

#include <memory>

QStringList RunReportStage(ReportContext& context) {
    return RunReportStage(context, nullptr);
}

QStringList RunReportStage(ReportContext& context, const QDateTime& startTime) {
    return RunReportStage(context, nullptr, startTime);
}

namespace {

QStringList runStage(ReportContext& context, ReportRows* rows,
                     const std::optional<QDateTime>& startTime, const QString& nameSuffix) {
    context.addLogLine(QStringLiteral("Начинаем поиск заданных ИНН в базе"));
    const auto stopRequested = [&context] {
        return context.stopRequested && context.stopRequested();
    };
    std::unique_ptr<ShownLinksFile> shown;
    try {
        shown = std::make_unique<ShownLinksFile>(
            context.programDir, context.shownLinks, context.shownLinksEncoding,
            [&] {
                context.addLogLine(QStringLiteral(
                    "Другая копия программы выводит отчет в этой папке, ждем, пока она закончит"));
            },
            stopRequested);
    } catch (const ELockWaitStopped&) {
        context.stopped = true;
        context.addLogLine(
            QStringLiteral("Ожидание другой копии программы прервано остановкой, отчёты не "
                           "составлялись"));
        return {};
    }
    // Taken once the folder is ours, so that the files of the copy before are not appended to.
    const QString stamp = RunStamp(startTime.value_or(QDateTime::currentDateTime())) + nameSuffix;
    ReportRun run(context, stamp, *shown, rows);
    if (rows) rows->withoutWorkbook = ReportsWithoutWorkbook(context.programDir);
    const QStringList lines = SplitLines(context.innListText);
    try {
        // The stage itself is noted, so a stage that writes nothing ends the
        // newness of the contracts an earlier one wrote (ContractQueries.h).
        RecordReportedLink(context.db, QString(), stamp);
        for (const QString& line : lines) {
            // Between two INNs every line written has its link in shown.txt.
            if (stopRequested()) {
                context.stopped = true;
                context.addLogLine(QStringLiteral("Составление отчётов остановлено"));
                break;
            }
            run.reportInn(ParseInnListLine(line));
        }
        run.finish();
    } catch (const EGeneralError& e) {
        run.finishAfterError();
        context.shownLinks = run.shownLinks().lines();
        context.figures = run.figures();
        throw EReportStageError(e.message(), run.files());
    }
    context.shownLinks = run.shownLinks().lines();
    context.figures = run.figures();
    return run.files();
}

}  // namespace

QStringList RunReportStage(ReportContext& context, ReportRows* rows,
                           const std::optional<QDateTime>& startTime) {
    return runStage(context, rows, startTime, {});
}

QStringList RunCollectedReportStage(ReportContext& context, ReportRows* rows,
                                    const std::optional<QDateTime>& startTime) {
    return runStage(context, rows, startTime, kCollectedReportSuffix);
}
