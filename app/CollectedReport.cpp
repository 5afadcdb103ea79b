#include "app/CollectedReport.h"

#include "platform/FileLock.h"
#include "platform/TextFile.h"
#include "report/ReportRows.h"
#include "report/ReportStage.h"
#include "report/ShownLinksFile.h"
#include "report/WorkbookConversion.h"
#include "store/SQLiteWrap.h"

#include <QFileInfo>

namespace {

// True when another copy of the program holds the folder's report lock now.
// The window runs this report on its own thread, where a wait for the other
// copy could not be stopped or closed; so it is asked for once, and not waited for.
bool otherCopyReports(const QString& programDir) {
    bool busy = false;
    try {
        FileLock probe(
            ShownLinksFile::lockPath(programDir), [&busy] { busy = true; },
            [&busy] { return busy; });
    } catch (const ELockWaitStopped&) {
    }
    return busy;
}

}  // namespace

CollectedReport MakeCollectedReport(TSQLiteDatabase& db, const QString& programDir,
                                    const QString& innListText, const QDate& from, const QDate& to,
                                    const std::function<void(const QString&)>& addLogLine) {
    CollectedReport result;
    if (otherCopyReports(programDir)) {
        result.error = QStringLiteral(
            "Другая копия программы сейчас выводит отчёт в этой папке; отчёт по собранному не "
            "составлен. Повторите, когда она закончит");
        addLogLine(result.error);
        return result;
    }
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
