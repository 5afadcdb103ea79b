#include "app/RunRecording.h"

#include "store/SQLiteWrap.h"

namespace {

RunEnd endOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Done:
            return RunEnd::Done;
        case RunOutcome::Incomplete:
            return RunEnd::Incomplete;
        case RunOutcome::Stopped:
            return RunEnd::Stopped;
        case RunOutcome::Failed:
            break;
    }
    return RunEnd::Failed;
}

}  // namespace

RunRecord RunRecordOf(const RunSummary& summary, RunMode mode, const QDateTime& started,
                      const QDate& from, const QDate& to, const QStringList& inns) {
    RunRecord run;
    run.started = started;
    run.ended = QDateTime::currentDateTime();
    run.mode = mode;
    run.from = from;
    run.to = to;
    run.inns = inns;
    run.end = endOf(summary.outcome);
    run.failure = summary.failureText;
    for (const RegistryFigures& registry : summary.registries) {
        run.cardsRead += registry.cardsRead;
        run.cardsStored += registry.cardsStored;
    }
    for (const ReportFigures& report : summary.reports) {
        run.newContracts += report.newContracts;
        run.newSum += report.newSum;
        if (run.reportFile.isEmpty() && report.newContracts > 0)
            run.reportFile =
                report.workbookFile.isEmpty() ? report.reportFile : report.workbookFile;
    }
    run.logFile = summary.logFile;
    return run;
}

QString WriteRunRecord(TSQLiteDatabase& db, const RunRecord& run) {
    try {
        RecordRun(db, run);
        return {};
    } catch (const EGeneralError& e) {
        return QStringLiteral("История запусков не записана: ") + e.message();
    }
}
