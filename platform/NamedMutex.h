#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>

// A mutex shared by every thread of every process on the machine that opens
// the same name. Across processes it is an advisory lock (flock) on a file in
// the system's temporary folder, so a copy of the program that dies while
// holding it releases it with its file descriptors and never blocks the
// others. Within the process a plain mutex orders the threads, since all of
// them share the one file descriptor.
class NamedMutex {
public:
    // Creates the lock file when missing, or opens the existing one; never
    // follows a link. When the shared file cannot be used (another user's,
    // not readable to us; a link; not a regular file) it falls back to a lock
    // file of this user alone, or to this process alone when even that fails,
    // and fallbackNote() says so. Never throws for a lock file.
    explicit NamedMutex(const QString& name);
    ~NamedMutex();

    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Waits without time limit. With a stop flag, gives up once the flag is
    // set and returns false; true means the mutex is held.
    bool lock(const std::atomic<bool>* stop = nullptr);
    void unlock();

    // The lock file in use.
    const QString& filePath() const { return m_path; }
    // One log line when the shared lock file could not be used; empty otherwise.
    const QString& fallbackNote() const { return m_fallbackNote; }

private:
    bool lockFile(const std::atomic<bool>* stop);

    bool enterProcessGate(const std::atomic<bool>* stop);
    void leaveProcessGate();

    QString m_path;
    QString m_fallbackNote;
    int m_fd = -1;  // -1: no lock file could be opened
    // The threads of this process take turns through this gate before the file lock.
    std::mutex m_gateMutex;
    std::condition_variable m_gateOpened;
    bool m_gateTaken = false;
};
