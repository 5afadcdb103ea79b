#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Cells an analyst can work with, shared by the sheets of a report workbook:
// dates as date cells, links as hyperlinks, texts within the cell limit.
// Each falls back to a text cell for a value it cannot write as such. Throw
// EGeneralError naming the workbook (path) when a write fails.

// A text as a cell takes it: cut to the spreadsheet's 32 767 characters, every
// character XML 1.0 does not allow replaced (one written raw makes the whole
// workbook unreadable).
QByteArray WorkbookCellText(const QString& text);

// A cell format showing a date as dd.mm.yyyy, owned by the workbook.
lxw_format* AddDateFormat(lxw_workbook* workbook);

// A text as stored ("yyyy-mm-dd") written as a date cell; an empty text
// leaves the cell empty, another text is written as it is.
void WriteDateCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& stored, lxw_format* dateFormat, const QString& path = {});
void WriteDateCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column, const QDate& date,
                   lxw_format* dateFormat, const QString& path = {});

// The address as a clickable hyperlink showing itself; as text when the
// spreadsheet cannot hold it as a link (too long, too many links in a sheet).
void WriteLinkCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& url, const QString& path = {});

// A text cell, cut to the spreadsheet's 32 767 characters.
void WriteTextCell(lxw_worksheet* sheet, std::uint32_t row, std::uint16_t column,
                   const QString& text, lxw_format* format = nullptr, const QString& path = {});
