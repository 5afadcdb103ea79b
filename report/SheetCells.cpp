#include "report/SheetCells.h"

#include "report/XlsxWorkbook.h"

#include <xlsxwriter.h>

namespace {

constexpr qsizetype kMaxCellText = 32767;  // the spreadsheet's limit per cell

// Stands for every character XML 1.0 does not allow.
constexpr char16_t kReplacement = u'\uFFFD';

// The text with every character XML 1.0 does not allow replaced: controls
// other than tab, LF and CR, U+FFFE, U+FFFF and surrogates without their
// pair. One such character written raw makes the whole workbook unreadable.
QString xmlSafe(const QString& text) {
    QString safe = text;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const char16_t c = safe.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < safe.size() && safe.at(i + 1).isLowSurrogate()) {
            ++i;  // a pair: a character above U+FFFF, allowed
            continue;
        }
        const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
        if (control || QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) safe[i] = kReplacement;
    }
    return safe;
}

}  // namespace

QByteArray WorkbookCellText(const QString& text) {
    QString cut = text.left(kMaxCellText);
    if (cut.size() < text.size() && cut.back().isHighSurrogate()) cut.chop(1);
    return xmlSafe(cut).toUtf8();
}

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
    if (linkable && worksheet_write_url(sheet, row, column, WorkbookCellText(url).constData(),
                                        nullptr) == LXW_NO_ERROR)
        return;
    WriteTextCell(sheet, row, column, url, nullptr, path);
}

void WriteTextCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& text, lxw_format* format, const QString& path) {
    CheckXlsx(
        worksheet_write_string(sheet, row, column, WorkbookCellText(text).constData(), format),
        path);
}
