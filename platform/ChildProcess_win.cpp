#include "platform/ChildProcess.h"

#include "platform/CommandLine.h"

#include <windows.h>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The end is noticed by waiting on the process in slices, reading what the
// pipes hold after each: short slices first so quick programs return
// quickly, longer ones later so a long run costs few wake-ups.
constexpr milliseconds kFirstSlice{1};
constexpr milliseconds kLongestSlice{20};
// Once the job is closed every writer is gone; this only bounds the wait for
// output a child handed to a process outside its job.
constexpr milliseconds kDrainAfterEnd{1000};
constexpr DWORD kPipeBuffer = 64 * 1024;

// Handles are made inheritable only while this is held, so a child another
// thread starts meanwhile never inherits our pipe ends (which would keep the
// reader from seeing the end).
std::mutex g_spawnMutex;

QString systemError(DWORD code) {
    return qt_error_string(static_cast<int>(code));
}

void closeHandle(void*& handle) noexcept {
    if (handle) ::CloseHandle(handle);
    handle = nullptr;
}

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { closeHandle(m_h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return m_h; }
    HANDLE* out() { return &m_h; }
    HANDLE release() { return std::exchange(m_h, nullptr); }
    void reset() { closeHandle(m_h); }

private:
    void* m_h = nullptr;
};

// The executable: a path as given (relative ones made absolute, ".exe" added
// when the name has none), a bare name looked up in PATH.
QString resolveProgram(const QString& program) {
    if (!program.contains(QLatin1Char('/')) && !program.contains(QLatin1Char('\\')))
        return QStandardPaths::findExecutable(program);
    const QFileInfo info(QDir::fromNativeSeparators(program));
    if (info.isFile()) return info.absoluteFilePath();
    const QFileInfo withExe(info.absoluteFilePath() + QStringLiteral(".exe"));
    return info.suffix().isEmpty() && withExe.isFile() ? withExe.absoluteFilePath() : QString();
}

// The program's environment with the extra entries added or replacing (names
// compare without case, as Windows does), as a CreateProcessW block.
std::wstring environmentBlock(const QStringList& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : extra)
        environment.insert(entry.section(QLatin1Char('='), 0, 0),
                           entry.section(QLatin1Char('='), 1));
    std::wstring block;
    for (const QString& entry : environment.toStringList()) {
        block += entry.toStdWString();
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// Read end ours (never inherited), write end for the child.
bool makePipe(Handle& read, Handle& write) {
    return ::CreatePipe(read.out(), write.out(), nullptr, kPipeBuffer) != 0;
}

HANDLE openNul() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherit, OPEN_EXISTING, 0, nullptr);
}

// A job that kills what it holds when its last handle closes.
HANDLE killingJob() {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits)) {
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

}  // namespace

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           ChildProcessOptions options)
    : m_options(std::move(options)) {
    m_deadline = Clock::now() + m_options.timeout;
    start(program, arguments);
}

ChildProcess::~ChildProcess() {
    killAndReap(ChildStatus::Stopped);
    closeDescriptors();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_options(std::move(other.m_options)),
      m_deadline(other.m_deadline),
      m_pid(std::exchange(other.m_pid, -1)),
      m_process(std::exchange(other.m_process, nullptr)),
      m_job(std::exchange(other.m_job, nullptr)),
      m_stdout(std::exchange(other.m_stdout, nullptr)),
      m_stderr(std::exchange(other.m_stderr, nullptr)),
      m_result(std::move(other.m_result)),
      m_done(other.m_done) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        killAndReap(ChildStatus::Stopped);
        closeDescriptors();
        m_options = std::move(other.m_options);
        m_deadline = other.m_deadline;
        m_pid = std::exchange(other.m_pid, -1);
        m_process = std::exchange(other.m_process, nullptr);
        m_job = std::exchange(other.m_job, nullptr);
        m_stdout = std::exchange(other.m_stdout, nullptr);
        m_stderr = std::exchange(other.m_stderr, nullptr);
        m_result = std::move(other.m_result);
        m_done = other.m_done;
    }
    return *this;
}

void ChildProcess::start(const QString& program, const QStringList& arguments) {
    m_result.status = ChildStatus::FailedToStart;
    if (program.isEmpty()) {
        m_result.error = QStringLiteral("no program given");
        return;
    }
    const QString path = resolveProgram(program);
    if (path.isEmpty()) {
        m_result.error = systemError(ERROR_FILE_NOT_FOUND);
        return;
    }
    std::wstring commandLine =
        WindowsCommandLine(QDir::toNativeSeparators(path), arguments).toStdWString();
    const std::wstring application = QDir::toNativeSeparators(path).toStdWString();
    const std::wstring directory =
        QDir::toNativeSeparators(m_options.workingDirectory).toStdWString();
    std::wstring environment;
    if (!m_options.extraEnvironment.isEmpty())
        environment = environmentBlock(m_options.extraEnvironment);
    Handle outRead, outWrite, errRead, errWrite;
    if (m_options.captureOutput && (!makePipe(outRead, outWrite) || !makePipe(errRead, errWrite))) {
        m_result.error = systemError(::GetLastError());
        return;
    }
    Handle job(killingJob());
    PROCESS_INFORMATION info{};
    {
        std::lock_guard spawn(g_spawnMutex);
        Handle nul(openNul());
        if (!nul.get()) {
            m_result.error = systemError(::GetLastError());
            return;
        }
        for (HANDLE end : {outWrite.get(), errWrite.get()})
            if (end) ::SetHandleInformation(end, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = nul.get();
        startup.hStdOutput = outWrite.get() ? outWrite.get() : nul.get();
        startup.hStdError = errWrite.get() ? errWrite.get() : nul.get();
        // Suspended until it is in the job, so nothing it starts escapes.
        const DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
        const BOOL started =
            ::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                             environment.empty() ? nullptr : environment.data(),
                             directory.empty() ? nullptr : directory.c_str(), &startup, &info);
        if (!started) {
            m_result.error = systemError(::GetLastError());
            return;
        }
    }
    outWrite.reset();
    errWrite.reset();
    // Without a job (a system that refuses one) the child alone is killed.
    if (!job.get() || !::AssignProcessToJobObject(job.get(), info.hProcess)) job.reset();
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_pid = static_cast<int>(info.dwProcessId);
    m_job = job.release();
    if (m_options.captureOutput) {
        m_stdout = outRead.release();
        m_stderr = errRead.release();
    }
}

ChildResult ChildProcess::wait() {
    if (m_done || m_pid < 0) {
        m_done = true;
        return m_result;
    }
    milliseconds slice = kFirstSlice;
    for (;;) {
        if (reapIfEnded()) break;
        if (m_options.stop && m_options.stop->load()) {
            killAndReap(ChildStatus::Stopped);
            break;
        }
        const auto now = Clock::now();
        if (now >= m_deadline) {
            killAndReap(ChildStatus::TimedOut);
            break;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(m_deadline - now);
        pollOnce(std::clamp(left, milliseconds(1), slice));
        slice = std::min(slice * 2, kLongestSlice);
    }
    drainOutput(Clock::now() + kDrainAfterEnd);
    closeDescriptors();
    m_done = true;
    return m_result;
}

ChildResult ChildProcess::run(const QString& program, const QStringList& arguments,
                              ChildProcessOptions options) {
    ChildProcess child(program, arguments, std::move(options));
    return child.wait();
}

// Waits at most `slice` for the child's end, then takes what the pipes hold.
void ChildProcess::pollOnce(milliseconds slice) {
    if (m_process)
        ::WaitForSingleObject(m_process, static_cast<DWORD>(slice.count()));
    else
        std::this_thread::sleep_for(slice);
    readAvailable(m_stdout, m_result.standardOutput);
    readAvailable(m_stderr, m_result.standardError);
}

// Reads only what is there, so it never blocks; a broken pipe is the end of output.
void ChildProcess::readAvailable(void*& pipe, QByteArray& into) {
    char buffer[65536];
    while (pipe) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            closeHandle(pipe);
            return;
        }
        if (available == 0) return;
        DWORD got = 0;
        if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr)) {
            closeHandle(pipe);
            return;
        }
        const qsizetype room = kMaxCapturedBytes - into.size();
        into.append(buffer, std::min<qsizetype>(room, got));
    }
}

void ChildProcess::drainOutput(Clock::time_point until) {
    while ((m_stdout || m_stderr) && Clock::now() < until) {
        readAvailable(m_stdout, m_result.standardOutput);
        readAvailable(m_stderr, m_result.standardError);
        if (m_stdout || m_stderr) std::this_thread::sleep_for(kFirstSlice);
    }
}

// Once the child has ended, whatever it left running in its job is killed.
bool ChildProcess::reapIfEnded() {
    if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process, &code);
    if (m_job) ::TerminateJobObject(m_job, 1);
    closeHandle(m_job);
    closeHandle(m_process);
    m_pid = -1;
    m_result.status = ChildStatus::Exited;
    m_result.exitCode = static_cast<int>(code);
    return true;
}

void ChildProcess::killAndReap(ChildStatus why) noexcept {
    if (m_pid < 0) return;
    if (m_job) ::TerminateJobObject(m_job, 1);
    ::TerminateProcess(m_process, 1);  // in case it is not in the job
    ::WaitForSingleObject(m_process, INFINITE);
    closeHandle(m_job);
    closeHandle(m_process);
    m_pid = -1;
    m_result.status = why;
    m_result.exitCode = -1;
}

void ChildProcess::closeDescriptors() noexcept {
    closeHandle(m_stdout);
    closeHandle(m_stderr);
    closeHandle(m_job);
    closeHandle(m_process);
}
