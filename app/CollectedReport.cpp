#include "app/CollectedReport.h"

#include "platform/TextFile.h"
#include "report/ReportRows.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"
#include "store/SQLiteWrap.h"

#include <QFileInfo>

CollectedReport MakeCollectedReport(TSQLiteDatabase& db, const QString& programDir,
                                    const QString& innListText, const QDate& from, const QDate& to,
                                    const std::function<void(const QString&)>& addLogLine) {
    CollectedReport result;
    const auto shown = ReadTextFile(programDir + QStringLiteral("shown.txt"));
    ReportContext context{db,
                          innListText,
                          programDir,
                          QString(),
                          shown ? SplitLines(shown->text) : QStringList(),
                          shown ? shown->encoding : TextEncoding::Utf8Bom,
                          addLogLine,
                          {}};
    ReportRows rows;
    rows.sheets = {&db, programDir, innListText, from, to};
    try {
        result.reportFiles = RunCollectedReportStage(context, &rows);
    } catch (const EReportStageError& e) {
        result.reportFiles = e.reportFiles();
        result.error = e.message();
        addLogLine(QStringLiteral("Ошибка: ") + e.message());
    }
    result.figures = context.figures;
    ConvertReportsToWorkbooks(result.reportFiles, &rows, addLogLine);
    for (ReportFigures& figures : result.figures) {
        if (!figures.reportFile.isEmpty() && QFileInfo::exists(WorkbookPath(figures.reportFile)))
            figures.workbookFile = WorkbookPath(figures.reportFile);
    }
    return result;
}
