#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// A mutex shared by every thread of every process on the machine that opens
// the same name. Across processes it is an advisory lock (flock) on a file in
// the system's temporary folder, so a copy of the program that dies while
// holding it releases it with its file descriptors and never blocks the
// others. On Windows it is the named kernel mutex itself ("Global\\Name"),
// which the system hands on, abandoned, when its holder dies. Within the
// process a plain mutex orders the threads, since all of them share the one
// descriptor (or handle).
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

    // Called once by a lock() whose wait for another process's hold lasts
    // `after`; the wait goes on.
    struct LongWaitNotice {
        std::chrono::milliseconds after;
        std::function<void()> notify;
    };

    // Waits without time limit. With a stop flag, gives up once the flag is
    // set and returns false; true means the mutex is held. A notice needs a
    // stop flag (the wait polls).
    bool lock(const std::atomic<bool>* stop = nullptr, const LongWaitNotice* notice = nullptr);
    void unlock();

    // The lock file in use; on Windows the kernel object's name.
    const QString& filePath() const { return m_path; }
    // One log line when the shared lock file could not be used; empty otherwise.
    const QString& fallbackNote() const { return m_fallbackNote; }

private:
    bool lockFile(const std::atomic<bool>* stop, const LongWaitNotice* notice);

    bool enterProcessGate(const std::atomic<bool>* stop);
    void leaveProcessGate();

    QString m_path;
    QString m_fallbackNote;
#ifdef _WIN32
    void* m_handle = nullptr;  // null: no kernel mutex could be had
#else
    int m_fd = -1;  // -1: no lock file could be opened
#endif
    // The threads of this process take turns through this gate before the file lock.
    std::mutex m_gateMutex;
    std::condition_variable m_gateOpened;
    bool m_gateTaken = false;
};
