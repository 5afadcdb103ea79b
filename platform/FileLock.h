#pragma once

#include "platform/GeneralError.h"

#include <QByteArray>
#include <QString>
#include <functional>

// The wait for a FileLock was given up because a stop was asked for.
class ELockWaitStopped : public EGeneralError {
public:
    using EGeneralError::EGeneralError;
};

// An exclusive advisory lock (flock) on a lock file, held from construction
// to destruction, for work that two copies of the program on one folder must
// not do at once. A copy that dies holding it releases it with its file
// descriptors. The file also carries a small record of the holder's own (its
// journal), which the next holder reads; the file itself is never removed.
// Non-copyable; one thread uses it.
class FileLock {
public:
    // Creates the lock file when missing and waits for the lock, without time
    // limit unless stopRequested (asked about ten times a second while waiting)
    // answers true: then it throws ELockWaitStopped. onWait runs once, before
    // waiting, when another holder has it. Throws EGeneralError with the
    // system's reason when the file cannot be opened or locked.
    explicit FileLock(const QString& path, const std::function<void()>& onWait = {},
                      const std::function<bool()>& stopRequested = {});
    ~FileLock();

    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // The record as the last holder left it; empty when none.
    QByteArray record() const;
    // Replaces the record. Throws EGeneralError when it cannot be written.
    void setRecord(const QByteArray& bytes);

    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

// Takes a lock on the whole of an open file (a descriptor such as
// QFile::handle()) without waiting; it lasts until the file is closed. False
// when another open of the file holds it, or the lock cannot be taken.
bool TryLockOpenFile(int fd);
