#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>

// How a child process is run.
struct ChildProcessOptions {
    // Counted from the start; a child still running then is killed.
    std::chrono::milliseconds timeout{30000};
    // "NAME=value" entries added to the program's own environment (an entry
    // replaces a variable of the same name).
    QStringList extraEnvironment;
    // Empty: the program's current directory.
    QString workingDirectory;
    // Standard output and error are captured when true, discarded otherwise.
    bool captureOutput = false;
    // When set (by another thread), a running child is killed at once.
    const std::atomic<bool>* stop = nullptr;
};

enum class ChildStatus {
    Exited,         // ended by itself; exitCode holds its exit code
    Signalled,      // ended by a signal it did not get from us; exitCode holds the signal
    TimedOut,       // killed at the time-out
    Stopped,        // killed because the stop flag was set
    FailedToStart,  // never ran; error says why
};

struct ChildResult {
    ChildStatus status = ChildStatus::FailedToStart;
    int exitCode = -1;
    QByteArray standardOutput;  // captured output, at most kMaxCapturedBytes of each
    QByteArray standardError;
    QString error;

    bool exitedWith(int code) const { return status == ChildStatus::Exited && exitCode == code; }
};

// One external program run as a child process: started from an argument
// vector (never through a shell), with standard input from /dev/null and no
// descriptor of ours beyond standard output and error. The child dies with
// the thread that started it (a parent-death signal), so a program killed with
// SIGKILL leaves none running: start and wait on the same thread. The child
// leads a process group of its own; whenever it ends or is given up, that whole group
// is killed (SIGKILL) and the child reaped, so nothing it started is left
// running and no zombie remains. The destructor does the same for a child
// still running (an exception, a stop). Non-copyable, movable; one thread
// uses an object at a time. Never throws for a failure of the child.
//
// On Windows the vector is quoted into a command line by the rules programs
// parse it with, the child has no console window, and it lives in a job
// object that kills it and all it started when the job's handle closes: at
// its end, the time-out, the stop, or with the program. "Signalled" never
// happens there.
class ChildProcess {
public:
    static constexpr qsizetype kMaxCapturedBytes = 16 * 1024 * 1024;

    // Starts `program` (a path, or a name looked up in PATH) with `arguments`.
    ChildProcess(const QString& program, const QStringList& arguments,
                 ChildProcessOptions options = {});
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;

    // The child's process id while it runs; -1 when it did not start or has been reaped.
    int processId() const { return m_pid; }

    // Waits until the child ends, its time-out passes or the stop flag is
    // set, and returns the outcome. Later calls return the same outcome.
    ChildResult wait();

    // Starts the program and waits for it.
    static ChildResult run(const QString& program, const QStringList& arguments,
                           ChildProcessOptions options = {});

private:
    void start(const QString& program, const QStringList& arguments);
#ifdef _WIN32
    void pollOnce(std::chrono::milliseconds slice);
    void readAvailable(void*& pipe, QByteArray& into);
    void drainOutput(std::chrono::steady_clock::time_point until);
    bool reapIfEnded();
    void killAndReap(ChildStatus why) noexcept;
    void closeDescriptors() noexcept;

    ChildProcessOptions m_options;
    std::chrono::steady_clock::time_point m_deadline;
    int m_pid = -1;
    void* m_process = nullptr;
    void* m_job = nullptr;  // holds the child and all it starts; closing it kills them
    void* m_stdout = nullptr;
    void* m_stderr = nullptr;
    ChildResult m_result;
    bool m_done = false;
#else
    void pollOnce(std::chrono::milliseconds slice);
    void readAvailable(int& fd, QByteArray& into);
    void drainOutput(std::chrono::steady_clock::time_point until);
    bool reapIfEnded();
    void killAndReap(ChildStatus why) noexcept;
    void closeDescriptors() noexcept;

    ChildProcessOptions m_options;
    std::chrono::steady_clock::time_point m_deadline;
    int m_pid = -1;
    int m_stdout = -1;
    int m_stderr = -1;
    int m_exitFd = -1;  // the child's pidfd: readable once it has ended
    ChildResult m_result;
    bool m_done = false;
#endif
};
