#include "report/ReportStage.h"

#include "report/InnRequest.h"
#include "report/ReportFile.h"
#include "report/ReportRun.h"

QStringList RunReportStage(ReportContext& context) {
    return RunReportStage(context, QDateTime::currentDateTime());
}

QStringList RunReportStage(ReportContext& context, const QDateTime& startTime) {
    context.addLogLine(QStringLiteral("Начинаем поиск заданных ИНН в базе"));
    ReportRun run(context, RunStamp(startTime));
    const QStringList lines = SplitLines(context.innListText);
    try {
        for (const QString& line : lines)
            run.reportInn(ParseInnListLine(line));
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
