#pragma once

#include "store/ContractStore.h"

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The tab-separated report file: UTF-8, a byte-order mark and the header line
// when the file is started, then one data line per contract; CR LF after every
// line. Each field is wrapped in double quotes; tab, CR, LF and NUL inside a
// value become a blank, so a line always has its six fields.

// The name all report files of one run carry: "yyyy-MM-dd_hh-mm-ss".
QString RunStamp(const QDateTime& startTime);

// The header line, without its line end.
QString ReportHeaderLine();

// The amount with two decimals, the decimal separator given, no grouping.
QString FormatAmount(double amount, QChar decimalSeparator);

// The value as a report field holds it: tab, CR, LF and NUL become a blank.
QString ReportFieldText(const QString& value);

// The six fields of the data line of one contract reported under an INN, as
// written (without their quotes): INN, link, subject, amount, the two dates.
QStringList ReportFields(const QString& inn, const TUrlContractInfo& contract,
                         QChar decimalSeparator);
// The header's six fields, without their quotes.
QStringList ReportHeaderFields();

// The line of the fields, each quoted, separated by tabs, without its line end.
QString ReportLine(const QStringList& fields);

// Appends the line and CR LF to the report file, flushed and closed
// afterwards, so the file is complete after every line. A missing file is
// created (never two creators of one file) and started with the mark and
// the header. While the line is written no other copy of the program writes
// the file. Gives true when this call created the file. Throws EGeneralError
// when the file cannot be opened or written.
bool AppendReportLine(const QString& path, const QString& line);
