#include "report/ReportSheet.h"

#include "platform/GeneralError.h"
#include "platform/RegionalSettings.h"
#include "report/SheetCells.h"

#include <xlsxwriter.h>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr int kLinkColumn = 1;                                     // B
constexpr int kAmountColumn = 3;                                   // D
constexpr int kFirstDateColumn = 4;                                // E and F
constexpr int kFilterLastColumn = 5;                               // F
constexpr double kColumnWidths[] = {15, 41, 120, 14, 16, 18, 18};  // A to G

// The amount as the report writes it ("0.00" with the decimal separator of
// the writer, which may differ from ours); none for any other text.
std::optional<double> parseAmount(QString text, QChar decimalSeparator) {
    for (QChar& c : text) {
        if (c == decimalSeparator || c == QLatin1Char(',')) c = QLatin1Char('.');
    }
    const bool shaped = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-');
    });
    bool ok = false;
    const double value = shaped ? QLocale::c().toDouble(text, &ok) : 0;
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

ReportSheet::ReportSheet(XlsxWorkbook& workbook, const QString& name)
    : m_workbook(workbook), m_decimalSeparator(RegionalSettings::current().decimalSeparator) {
    // Named after the file, as the spreadsheet application names an opened text file.
    const QByteArray sheetName = WorkbookCellText(name.left(31));
    const bool valid =
        !sheetName.isEmpty() &&
        workbook_validate_sheet_name(workbook.get(), sheetName.constData()) == LXW_NO_ERROR;
    m_sheet = workbook_add_worksheet(workbook.get(), valid ? sheetName.constData() : nullptr);
    if (!m_sheet) {
        throw EGeneralError(
            QStringLiteral("Не удалось создать лист книги %1").arg(workbook.path()));
    }
    layOut();
}

void ReportSheet::layOut() {
    m_amountFormat = workbook_add_format(m_workbook.get());
    format_set_num_format(m_amountFormat, "#,##0");
    m_dateFormat = AddDateFormat(m_workbook.get());
    for (int column = 0; column < int(std::size(kColumnWidths)); ++column) {
        lxw_format* format = column == kAmountColumn ? m_amountFormat : nullptr;
        CheckXlsx(worksheet_set_column(m_sheet, column, column, kColumnWidths[column], format),
                  m_workbook.path());
    }
    CheckXlsx(worksheet_autofilter(m_sheet, 0, 0, 0, kFilterLastColumn), m_workbook.path());
    worksheet_freeze_panes(m_sheet, 1, 0);
}

void ReportSheet::addRow(const QStringList& fields) {
    if (m_rows >= LXW_ROW_MAX) {
        throw EGeneralError(
            QStringLiteral("В книге %1 не хватает строк для отчета").arg(m_workbook.path()));
    }
    for (int column = 0; column < fields.size() && column < LXW_COL_MAX; ++column) {
        if (m_rows > 0 && column == kAmountColumn) {
            writeAmount(fields[column]);
        } else if (m_rows > 0 && column == kLinkColumn) {
            WriteLinkCell(m_sheet, m_rows, column, fields[column], m_workbook.path());
        } else if (m_rows > 0 && column >= kFirstDateColumn && column <= kFilterLastColumn) {
            WriteDateCell(m_sheet, m_rows, column, fields[column], m_dateFormat, m_workbook.path());
        } else {
            writeText(column, fields[column]);
        }
    }
    ++m_rows;
}

void ReportSheet::writeText(int column, const QString& text) {
    // Every text stays text: an INN of 12 digits as a number would lose digits.
    CheckXlsx(worksheet_write_string(m_sheet, m_rows, column, WorkbookCellText(text).constData(),
                                     nullptr),
              m_workbook.path());
}

void ReportSheet::writeAmount(const QString& text) {
    const std::optional<double> amount = parseAmount(text, m_decimalSeparator);
    if (!amount) return writeText(kAmountColumn, text);
    CheckXlsx(worksheet_write_number(m_sheet, m_rows, kAmountColumn, *amount, m_amountFormat),
              m_workbook.path());
}
