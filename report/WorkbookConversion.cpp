#include "report/WorkbookConversion.h"

#include "platform/GeneralError.h"
#include "report/ReportSheet.h"

#include <QFileInfo>

namespace {

// Above this size (some 10 000 lines) a report is written in constant memory.
constexpr qint64 kConstantMemoryBytes = 4 * 1024 * 1024;

void convertOne(const QString& reportPath, const std::function<void(const QString&)>& addLogLine) {
    const QString workbookPath = WorkbookPath(reportPath);
    const bool big = QFileInfo(reportPath).size() > kConstantMemoryBytes;
    const int rows = WriteReportWorkbook(reportPath, workbookPath, big);
    addLogLine(QStringLiteral("Файл ") + workbookPath + QStringLiteral(" сформирован, в нем ") +
               QString::number(rows) + QStringLiteral(" строк"));
}

}  // namespace

void ConvertReportsToWorkbooks(const QStringList& reportFiles,
                               const std::function<void(const QString&)>& addLogLine) {
    for (const QString& reportPath : reportFiles) {
        try {
            convertOne(reportPath, addLogLine);
        } catch (const EGeneralError& e) {
            addLogLine(QStringLiteral("Ошибка: ") + e.message());
        } catch (const std::exception& e) {
            addLogLine(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        }
    }
}

QString WorkbookPath(const QString& reportPath) {
    const qsizetype slash = reportPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = reportPath.lastIndexOf(QLatin1Char('.'));
    const qsizetype end = dot > slash ? dot : reportPath.size();
    return reportPath.left(end) + QStringLiteral(".xlsx");
}

int WriteReportWorkbook(const QString& reportPath, const QString& workbookPath,
                        bool constantMemory) {
    ReportReader reader(ReadReportText(reportPath));
    XlsxWorkbook workbook(workbookPath, constantMemory);
    ReportSheet sheet(workbook, QFileInfo(reportPath).completeBaseName());
    QStringList fields;
    while (reader.next(fields))
        sheet.addRow(fields);
    const int rows = sheet.rowCount();
    workbook.close();
    return rows;
}
