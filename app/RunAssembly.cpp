#include "app/RunAssembly.h"

#include "cards/CardHandlerTable.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"

RunParameters AssembleRun(TSQLiteDatabase& db, const QString& programDir, const QDate& from,
                          const QDate& to, const QString& tesseractExe) {
    RunParameters parameters;
    parameters.db = &db;
    parameters.programDir = programDir;
    parameters.publishDateFrom = from;
    parameters.publishDateTo = to;
    parameters.tesseractExe = tesseractExe;
    parameters.handlers = MakeCardHandlers();
    parameters.reportStage = [](ReportContext& context) { return RunReportStage(context); };
    parameters.workbookStage = ConvertReportsToWorkbooks;
    return parameters;
}
