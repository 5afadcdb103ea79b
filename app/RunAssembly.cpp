#include "app/RunAssembly.h"

#include "cards/CardHandlerTable.h"
#include "report/InnListCheck.h"
#include "report/ReportRows.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"

#include <memory>

RunParameters AssembleRun(TSQLiteDatabase& db, const QString& programDir, const QDate& from,
                          const QDate& to, const QString& tesseractExe) {
    RunParameters parameters;
    parameters.db = &db;
    parameters.programDir = programDir;
    parameters.publishDateFrom = from;
    parameters.publishDateTo = to;
    parameters.tesseractExe = tesseractExe;
    parameters.handlers = MakeCardHandlers();
    // The rows the report stage writes reach the workbook step through this.
    auto rows = std::make_shared<ReportRows>();
    parameters.reportStage = [rows, from, to](ReportContext& context) {
        rows->clear();
        rows->sheets = {&context.db, context.programDir, context.innListText, from, to};
        return RunReportStage(context, rows.get());
    };
    parameters.workbookStage = [rows](const QStringList& reportFiles,
                                      const std::function<void(const QString&)>& addLogLine,
                                      const std::function<bool()>& stopRequested) {
        ConvertReportsToWorkbooks(reportFiles, rows.get(), addLogLine, stopRequested);
        rows->clear();
    };
    return parameters;
}

void SearchListedInns(RunParameters& parameters, const QString& innListText) {
    parameters.searchByInn = true;
    parameters.searchInns = ValidInns(innListText);
}
