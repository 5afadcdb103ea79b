#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

// A written workbook read back through its XML parts, unpacked by the unzip
// program: the first sheet's cells and layout and its number formats.

// One member of the workbook's zip container; empty when missing.
QByteArray UnzipMember(const QString& workbookPath, const QString& member);

struct SheetColumn {
    int min = 0;
    int max = 0;
    double width = 0;
    int style = 0;
};

struct SheetCell {
    QString type;   // "s" shared string, "inlineStr", "" number
    QString value;  // the text of a string cell, the number's text otherwise
    int style = 0;
};

struct SheetXml {
    std::vector<SheetColumn> columns;
    std::map<QString, SheetCell> cells;  // by reference, "A1"
    QString autoFilter;                  // the filter's range
    QString paneTopLeft;
    QString paneState;
    QString paneYSplit;
    int rows = 0;
};

SheetXml ReadSheet(const QString& workbookPath);

// The number format code of a cell style ("#,##0" also for the built-in one).
QString NumberFormatOfStyle(const QString& workbookPath, int style);
