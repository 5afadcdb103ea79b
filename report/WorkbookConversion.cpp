#include "report/WorkbookConversion.h"

#include "platform/GeneralError.h"
#include "report/MissingWorkbooks.h"
#include "report/ReportRows.h"
#include "report/ReportSheet.h"
#include "report/WorkbookSheets.h"

#include <stdio.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <set>

namespace {

// Above this size (some 10 000 lines) a report is written in constant memory.
constexpr qint64 kConstantMemoryBytes = 4 * 1024 * 1024;
constexpr std::size_t kConstantMemoryRows = 10000;

// Writes the workbook under its temporary name and renames it into place, so
// that a kill leaves either the old state or the whole workbook.
int writeWorkbook(const QString& workbookPath, const QString& sheetName, bool constantMemory,
                  const std::function<void(ReportSheet&)>& fill, const MoreSheets& more) {
    const QString part = WorkbookPartPath(workbookPath);
    int rows = 0;
    try {
        XlsxWorkbook workbook(part, constantMemory);
        ReportSheet sheet(workbook, sheetName);
        fill(sheet);
        rows = sheet.rowCount();
        if (more) more(workbook);
        workbook.close();
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    if (::rename(QFile::encodeName(part).constData(),
                 QFile::encodeName(workbookPath).constData()) != 0) {
        const QString reason = qt_error_string(errno);
        QFile::remove(part);
        throw EGeneralError(
            QStringLiteral("Не удалось записать книгу %1: %2").arg(workbookPath, reason));
    }
    return rows;
}

void convertOne(const QString& reportPath, const ReportRows* written,
                const std::function<void(const QString&)>& addLogLine) {
    const QString workbookPath = WorkbookPath(reportPath);
    const std::vector<QStringList>* rows = written ? written->rowsOf(reportPath) : nullptr;
    MoreSheets more;
    if (written && written->sheets.db) {
        more = [&](XlsxWorkbook& workbook) {
            AddSummarySheets(workbook, reportPath, rows, written->sheets);
        };
    }
    const int count =
        rows ? WriteRowsWorkbook(*rows, reportPath, workbookPath,
                                 rows->size() > kConstantMemoryRows, more)
             : WriteReportWorkbook(reportPath, workbookPath,
                                   QFileInfo(reportPath).size() > kConstantMemoryBytes, more);
    addLogLine(QStringLiteral("Файл ") + workbookPath + QStringLiteral(" сформирован, в нем ") +
               QString::number(count) + QStringLiteral(" строк"));
}

}  // namespace

void ConvertReportsToWorkbooks(const QStringList& reportFiles,
                               const std::function<void(const QString&)>& addLogLine) {
    ConvertReportsToWorkbooks(reportFiles, nullptr, addLogLine);
}

void ConvertReportsToWorkbooks(const QStringList& reportFiles, const ReportRows* rows,
                               const std::function<void(const QString&)>& addLogLine,
                               const std::function<bool()>& stopRequested) {
    QStringList all = reportFiles;
    if (rows) {
        // Earlier runs' reports left without a workbook, after this run's own.
        const std::set<QString> own(reportFiles.begin(), reportFiles.end());
        for (const QString& path : rows->withoutWorkbook) {
            if (!own.count(path)) all << path;
        }
    }
    for (const QString& reportPath : all) {
        if (stopRequested && stopRequested()) {
            addLogLine(
                QStringLiteral("Книги Excel остановлены; недостающие составит следующий запуск"));
            return;
        }
        try {
            convertOne(reportPath, rows, addLogLine);
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

int WriteReportWorkbook(const QString& reportPath, const QString& workbookPath, bool constantMemory,
                        const MoreSheets& more) {
    ReportReader reader(ReadReportText(reportPath));
    return writeWorkbook(
        workbookPath, QFileInfo(reportPath).completeBaseName(), constantMemory,
        [&reader](ReportSheet& sheet) {
            QStringList fields;
            while (reader.next(fields))
                sheet.addRow(fields);
        },
        more);
}

int WriteRowsWorkbook(const std::vector<QStringList>& rows, const QString& reportPath,
                      const QString& workbookPath, bool constantMemory, const MoreSheets& more) {
    return writeWorkbook(
        workbookPath, QFileInfo(reportPath).completeBaseName(), constantMemory,
        [&rows](ReportSheet& sheet) {
            for (const QStringList& fields : rows)
                sheet.addRow(fields);
        },
        more);
}
