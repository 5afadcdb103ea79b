#pragma once

#include <QString>
#include <QStringList>

// Reads a report file's records back the way the report stage writes them:
// six fields, each in double quotes, separated by tabs, CR LF after every
// record. Field texts are not escaped, so the subject (third field) may hold
// tabs and line breaks; it is read up to the quote-tab-quote that begins the
// amount. A record that does not follow the quoting is read as one line split
// at tabs, with the quotes around each field removed.
class ReportReader {
public:
    // The text of the file, without its byte-order mark.
    explicit ReportReader(QString text) : m_text(std::move(text)) {}

    // The fields of the next record, blank lines skipped; false after the last one.
    bool next(QStringList& fields);

private:
    bool readQuoted(QStringList& fields);
    void readPlainLine(QStringList& fields);
    qsizetype lineEnd(qsizetype from) const;
    void skipLineBreak(qsizetype& pos) const;

    QString m_text;
    qsizetype m_pos = 0;
};

// The text of a report file (UTF-8, with or without its mark). Throws
// EGeneralError when the file cannot be read.
QString ReadReportText(const QString& path);
