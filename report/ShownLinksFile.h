#pragma once

#include "platform/FileLock.h"
#include "platform/TextFile.h"
#include "report/ShownLinks.h"

#include <QFile>
#include <QString>
#include <functional>

// "shown.txt" of the program folder through one report stage, held against
// every other copy of the program on the folder: the stage holds the lock
// file "shown.txt.lock" beside it from start to end, reads "shown.txt" afresh
// under it, appends each link as soon as its report line is written, and at
// the end leaves the file sorted with every link it held before (merged,
// never replaced). Used by the controller thread only.
//
// A kill at any moment reports no contract twice and loses none: before a
// line is written, the lock file records its report file and link; the next
// stage reads that record, cuts a line the kill left half-written (its
// contract is reported again), and saves the link of a line that was written
// whole but whose link was not yet saved.
class ShownLinksFile {
public:
    // programDir with a trailing "/"; encodingWhenNew for a "shown.txt" that
    // does not exist yet; onWait runs once when another copy holds the lock,
    // whose wait stopRequested may end (ELockWaitStopped, see FileLock).
    // The links loaded at run set-up are merged in. Throws EGeneralError.
    ShownLinksFile(const QString& programDir, const QStringList& loaded,
                   TextEncoding encodingWhenNew, const std::function<void()>& onWait = {},
                   const std::function<bool()>& stopRequested = {});

    bool contains(const QString& url) const { return m_links.contains(url); }
    const ShownLinks& links() const { return m_links; }

    // Before the line of the link is written to the report file. Throws EGeneralError.
    void beginLine(const QString& reportPath, const QString& url);
    // After the line is written and flushed: appends the link. Throws EGeneralError.
    void lineWritten(const QString& url);
    // Rewrites the file sorted and clears the record (kept when the last
    // line begun was never written). Throws EGeneralError.
    void finish();

    static QString lockPath(const QString& programDir);

private:
    void recover();
    void append(const QString& url);
    void writeSorted();

    FileLock m_lock;
    QString m_path;
    TextEncoding m_encoding = TextEncoding::Utf8Bom;
    ShownLinks m_links;
    QFile m_file;                   // open for appending from the first link on
    bool m_needsLineBreak = false;  // the file ends inside a line (a killed append)
    bool m_exists = false;
    bool m_changed = false;
    bool m_lineOpen = false;  // a line begun and not written
};

// Cuts a report file back to its last whole line: a kill while a line was
// written leaves part of it. A file without one whole line is removed.
// Gives the last whole line (UTF-8, without its line end); empty when none.
// Throws EGeneralError when the file cannot be read or cut.
QByteArray CutPartLine(const QString& reportPath);
