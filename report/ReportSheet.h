#pragma once

#include "report/ReportReader.h"
#include "report/XlsxWorkbook.h"

#include <QChar>
#include <QStringList>

struct lxw_worksheet;
struct lxw_format;

// The one sheet of a report workbook: lays out the columns, the filter and
// the frozen header row when made, then takes the records in file order, the
// header first. Belongs to the workbook, which must outlive it.
class ReportSheet {
public:
    // name: the sheet's name when valid for a sheet, else the default one.
    ReportSheet(XlsxWorkbook& workbook, const QString& name);

    // Writes the next row. Throws EGeneralError (too many rows, a write fails).
    void addRow(const QStringList& fields);
    int rowCount() const { return m_rows; }

private:
    void layOut();
    void writeText(int column, const QString& text);
    void writeAmount(const QString& text);

    XlsxWorkbook& m_workbook;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_amountFormat = nullptr;
    lxw_format* m_dateFormat = nullptr;
    QChar m_decimalSeparator;
    int m_rows = 0;
};
