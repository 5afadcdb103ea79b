#include "report/SheetCells.h"

#include "report/XlsxWorkbook.h"

#include <xlsxwriter.h>

namespace {

constexpr qsizetype kMaxCellText = 32767;

QByteArray cellText(const QString& text) {
    if (text.size() <= kMaxCellText) return text.toUtf8();
    QString cut = text.left(kMaxCellText);
    if (cut.back().isHighSurrogate()) cut.chop(1);
    return cut.toUtf8();
}

}  // namespace

lxw_format* AddDateFormat(lxw_workbook* workbook) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_num_format(format, "dd.mm.yyyy");
    return format;
}

void WriteDateCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& stored, lxw_format* dateFormat, const QString& path) {
    if (stored.isEmpty()) return;
    const QDate date = QDate::fromString(stored, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return WriteTextCell(sheet, row, column, stored, nullptr, path);
    WriteDateCell(sheet, row, column, date, dateFormat, path);
}

void WriteDateCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column, const QDate& date,
                   lxw_format* dateFormat, const QString& path) {
    if (!date.isValid()) return;
    lxw_datetime value{date.year(), date.month(), date.day(), 0, 0, 0};
    CheckXlsx(worksheet_write_datetime(sheet, row, column, &value, dateFormat), path);
}

void WriteLinkCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& url, const QString& path) {
    const bool linkable = url.startsWith(u"http://") || url.startsWith(u"https://");
    // Refused links (over 2 079 characters, over 65 530 in a sheet) stay readable as text.
    if (linkable &&
        worksheet_write_url(sheet, row, column, cellText(url).constData(), nullptr) == LXW_NO_ERROR)
        return;
    WriteTextCell(sheet, row, column, url, nullptr, path);
}

void WriteTextCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& text, lxw_format* format, const QString& path) {
    CheckXlsx(worksheet_write_string(sheet, row, column, cellText(text).constData(), format), path);
}
