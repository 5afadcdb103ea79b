#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class ReportRows;
class XlsxWorkbook;

// Sheets added after the report's own, before the workbook is written.
using MoreSheets = std::function<void(XlsxWorkbook& workbook)>;

// The workbook step at the end of a run: every report file is also saved as
// an Office Open XML workbook beside it, same name, extension ".xlsx". Runs
// on the controller thread; the report files stay as they are.
//
// Sheet layout: the header row and one row per record in columns A to F;
// column widths A 15, B 41, C 120, D 14, E 16, F 18, G 18 characters; column
// D (amount) a number shown as a whole number with grouped thousands
// ("#,##0"); an autofilter on A1:F1; row 1 frozen. The INN column is text,
// so every digit of a 12-digit INN stays; the dates are date cells shown
// dd.mm.yyyy (text when not a stored date) and the link a hyperlink. When the
// report stage left a database in ReportRows::sheets, the sheets «Итоги» and
// «Все контракты» follow (WorkbookSheets.h).
//
// Each workbook is written under a temporary name beside it and renamed into
// place: a workbook at its final name is always whole.
//
// Logs "Файл <workbook path> сформирован, в нем <rows> строк" (header row
// counted) after each workbook is written, or "Ошибка: <reason>" for a file
// that fails; the other files are still converted. Never throws for a file.
void ConvertReportsToWorkbooks(const QStringList& reportFiles,
                               const std::function<void(const QString&)>& addLogLine);

// The same, with what the report stage kept (may be null): a file it wrote
// whole gets the rows it wrote, not the file read back; and the earlier
// report files without a workbook it found are converted too, after these.
// stopRequested is asked before each workbook: a stop leaves the rest for the
// next run's stage, which converts reports found without a workbook.
void ConvertReportsToWorkbooks(const QStringList& reportFiles, const ReportRows* rows,
                               const std::function<void(const QString&)>& addLogLine,
                               const std::function<bool()>& stopRequested = {});

// The workbook path of a report file: its extension replaced by ".xlsx".
QString WorkbookPath(const QString& reportPath);

// Writes the workbook of one report file and gives the number of rows, header
// included. constantMemory as for XlsxWorkbook. Throws EGeneralError.
int WriteReportWorkbook(const QString& reportPath, const QString& workbookPath, bool constantMemory,
                        const MoreSheets& more = {});

// The same from the rows (header first) the report stage wrote to the file.
int WriteRowsWorkbook(const std::vector<QStringList>& rows, const QString& reportPath,
                      const QString& workbookPath, bool constantMemory,
                      const MoreSheets& more = {});
