#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
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
    // Creates the lock file when missing, or opens the existing one.
    // Throws EGeneralError with the system's error text when it cannot.
    explicit NamedMutex(const QString& name);
    ~NamedMutex();

    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Waits without time limit. With a stop flag, gives up once the flag is
    // set and returns false; true means the mutex is held.
    bool lock(const std::atomic<bool>* stop = nullptr);
    void unlock();

    // The lock file; on Windows the kernel object's name.
    const QString& filePath() const { return m_path; }

private:
    bool lockFile(const std::atomic<bool>* stop);

    bool enterProcessGate(const std::atomic<bool>* stop);
    void leaveProcessGate();

    QString m_path;
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    // The threads of this process take turns through this gate before the file lock.
    std::mutex m_gateMutex;
    std::condition_variable m_gateOpened;
    bool m_gateTaken = false;
};
