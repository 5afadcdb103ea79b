#pragma once

#include <QFile>
#include <QString>

// The run's log file, written as the log grows: every line shown in the log
// is appended at once, so a run that is killed leaves its log up to its last
// line, and the window need not keep the whole log. The finished file is the
// whole log: UTF-8 with a byte-order mark, CR LF after every line, a line
// holding line breaks written as several lines (as the window shows it).
//
// Used on the window thread only, where every log line is appended. Once a
// write fails (a full disk) the file is left as it is and the failure kept.
class RunLogFile {
public:
    // Creates the file, which must not exist yet. A failure is kept; false when the file could
    // not be created (a failure writing its first bytes still gives true).
    bool open(const QString& path);
    // Creates a new file in programDir (ending in "/") under name or, when another copy of the
    // program started at the same moment has just created that one, under the next free log
    // name. Gives the name used.
    QString openNew(const QString& programDir, QString name);
    // Appends the line; false when it could not be written.
    bool append(const QString& line);
    // Closes the file; false when a line could not be written at some point.
    bool close();

    const QString& path() const { return m_path; }
    // Why the file is incomplete; empty while every line has been written.
    const QString& failure() const { return m_failure; }

private:
    void fail();

    QFile m_file;
    QString m_path;
    QString m_failure;
};
