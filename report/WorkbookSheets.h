#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class TSQLiteDatabase;
struct StoredContract;
class XlsxWorkbook;

// The two sheets a report workbook holds after the report's own, for the
// INNs of that report file (the listed INNs without a group for a file in
// the program folder, those of its group for a group's file):
// - «Итоги»: per INN, and for all of them together, the new contracts of
//   this report and their sum, and every stored contract concluded in the
//   date range and their sum; then the stored ones by registry and by year
//   of conclusion.
// - «Все контракты»: every stored contract of those INNs concluded in the
//   date range, one row per contract and INN, the new ones marked, with the
//   customer; dates as date cells, links as hyperlinks, a filter and a
//   frozen header row.
// Runs on the thread that owns the connection (the report's workbook step).

struct WorkbookSheetsSource {
    TSQLiteDatabase* db = nullptr;  // null: no sheets are added
    QString programDir;             // with its trailing "/"
    QString innListText;            // the INN list the report was made from
    QDate from;                     // the run's date range; null ends are open
    QDate to;
};

// The INNs whose contracts go to this report file, in list order, each once;
// and the group's name (empty for the file in the program folder).
QStringList InnsOfReportFile(const WorkbookSheetsSource& source, const QString& reportPath,
                             QString* group = nullptr);

// Adds the two sheets. reportRows: the report's rows, header first (the
// file is read when null). Throws EGeneralError.
void AddSummarySheets(XlsxWorkbook& workbook, const QString& reportPath,
                      const std::vector<QStringList>* reportRows,
                      const WorkbookSheetsSource& source);

// A workbook of one sheet «Контракты» laid out as «Все контракты», the new
// ones being those the last report stage wrote. Throws EGeneralError.
void WriteContractListWorkbook(const QString& path, const std::vector<StoredContract>& contracts);
