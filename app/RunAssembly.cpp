#include "app/RunAssembly.h"

#include "cards/CardHandlerTable.h"
#include "platform/TextFile.h"
#include "report/InnRequest.h"
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

QStringList ListedInns(const QString& innListText) {
    QStringList inns;
    for (const QString& line : SplitLines(innListText)) {
        const QString inn = ParseInnListLine(line).Inn;
        if (!inn.isEmpty() && !inns.contains(inn)) inns.append(inn);
    }
    return inns;
}

void SearchListedInns(RunParameters& parameters, const QString& innListText) {
    parameters.searchByInn = true;
    parameters.searchInns = ListedInns(innListText);
}
