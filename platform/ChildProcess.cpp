#include "platform/ChildProcess.h"

#include "platform/GeneralError.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A pidfd wakes the wait when the child ends. Without one (an old kernel)
// the end is noticed by polling: short slices first so quick programs return
// quickly, longer ones later so a long run costs few wake-ups. The stop flag
// is looked at after every slice.
constexpr milliseconds kFirstSlice{1};
constexpr milliseconds kLongestSlice{20};
// After the child's group is killed every writer is gone, so this only
// bounds the wait for output a child handed to a process outside its group.
constexpr milliseconds kDrainAfterEnd{1000};

QString systemError(int code) {
    return RussianSystemReason(qt_error_string(code));  // thread-safe, unlike strerror
}

void closeFd(int& fd) noexcept {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Both ends close on exec, so a child another thread starts meanwhile never
// holds our write end open (which would keep the reader from seeing the end).
class Pipe {
public:
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        m_read = fds[0];
        m_write = fds[1];
    }
    ~Pipe() {
        closeFd(m_read);
        closeFd(m_write);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool valid() const { return m_read >= 0; }
    int writeEnd() const { return m_write; }
    void closeWriteEnd() { closeFd(m_write); }
    int releaseReadEnd() { return std::exchange(m_read, -1); }

private:
    int m_read = -1;
    int m_write = -1;
};

// The program's environment with the extra entries added or replacing.
std::vector<QByteArray> environmentWith(const QStringList& extra) {
    std::vector<QByteArray> entries;
    QList<QByteArray> names;
    for (const QString& entry : extra)
        names.append(entry.section(QLatin1Char('='), 0, 0).toLocal8Bit());
    for (char** e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        if (!names.contains(entry.left(entry.indexOf('=')))) entries.push_back(entry);
    }
    for (const QString& entry : extra)
        entries.push_back(entry.toLocal8Bit());
    return entries;
}

std::vector<char*> pointersTo(std::vector<QByteArray>& items) {
    std::vector<char*> pointers;
    pointers.reserve(items.size() + 1);
    for (QByteArray& item : items)
        pointers.push_back(item.data());
    pointers.push_back(nullptr);
    return pointers;
}

// A relative path names a file in our directory, also when the child starts elsewhere.
QByteArray programPath(const QString& program) {
    if (!program.contains(QLatin1Char('/'))) return QFile::encodeName(program);
    return QFile::encodeName(QFileInfo(program).absoluteFilePath());
}

// The executable a child is started from: a path as given (relative ones made
// absolute), a bare name looked up in PATH as the shell would. Found before
// the fork, so the child calls nothing that allocates.
QByteArray resolveProgram(const QString& program) {
    const QByteArray path = programPath(program);
    if (program.contains(QLatin1Char('/'))) return path;
    const QByteArray dirs = qgetenv("PATH");
    for (const QByteArray& dir : dirs.split(':')) {
        const QByteArray candidate = (dir.isEmpty() ? QByteArray(".") : dir) + '/' + path;
        if (::access(candidate.constData(), X_OK) == 0) return candidate;
    }
    return {};
}

// What the child needs, prepared before the fork.
struct ChildSetup {
    const char* path;
    char* const* argv;
    char* const* envp;
    const char* workingDirectory;  // nullptr: stay
    int stdoutFd;                  // -1: /dev/null
    int stderrFd;
    int statusFd;  // close-on-exec pipe; the child writes errno there when exec fails
    pid_t parent;
};

// Runs in the forked child: only async-signal-safe calls. The child dies with
// the thread that started it (PR_SET_PDEATHSIG), so a program killed with
// SIGKILL leaves no converter behind writing files.
[[noreturn]] void execChild(const ChildSetup& setup) {
    int error = 0;
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != setup.parent) ::_exit(127);
    ::setpgid(0, 0);
    struct sigaction dflt {};
    dflt.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &dflt, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);  // the child has this one thread
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull < 0) error = errno;
    if (!error && ::dup2(devNull, 0) < 0) error = errno;
    if (!error && ::dup2(setup.stdoutFd >= 0 ? setup.stdoutFd : devNull, 1) < 0) error = errno;
    if (!error && ::dup2(setup.stderrFd >= 0 ? setup.stderrFd : devNull, 2) < 0) error = errno;
    // Descriptors other code opened without close-on-exec stay ours; the
    // status pipe closes on exec by itself.
    if (!error) {
        if (setup.statusFd > 3) ::syscall(SYS_close_range, 3u, unsigned(setup.statusFd - 1), 0u);
        ::syscall(SYS_close_range, unsigned(setup.statusFd + 1), ~0u, 0u);
    }
    if (!error && setup.workingDirectory && ::chdir(setup.workingDirectory) != 0) error = errno;
    if (!error) {
        ::execve(setup.path, setup.argv, setup.envp);
        error = errno;
    }
    while (::write(setup.statusFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

void setNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Through syscall(): glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
int pidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int waitFor(int pid) noexcept {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
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
      m_stdout(std::exchange(other.m_stdout, -1)),
      m_stderr(std::exchange(other.m_stderr, -1)),
      m_exitFd(std::exchange(other.m_exitFd, -1)),
      m_result(std::move(other.m_result)),
      m_done(other.m_done) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        killAndReap(ChildStatus::Stopped);
        closeDescriptors();
        m_options = std::move(other.m_options);
        m_deadline = other.m_deadline;
        m_pid = std::exchange(other.m_pid, -1);
        m_stdout = std::exchange(other.m_stdout, -1);
        m_stderr = std::exchange(other.m_stderr, -1);
        m_exitFd = std::exchange(other.m_exitFd, -1);
        m_result = std::move(other.m_result);
        m_done = other.m_done;
    }
    return *this;
}

void ChildProcess::start(const QString& program, const QStringList& arguments) {
    m_result.status = ChildStatus::FailedToStart;
    if (program.isEmpty()) {
        m_result.error = QStringLiteral("не задана программа");
        return;
    }
    std::vector<QByteArray> argv{programPath(program)};
    for (const QString& argument : arguments)
        argv.push_back(argument.toLocal8Bit());
    std::vector<QByteArray> env = environmentWith(m_options.extraEnvironment);
    Pipe out;
    Pipe err;
    if (m_options.captureOutput && (!out.valid() || !err.valid())) {
        m_result.error = systemError(errno);
        return;
    }
    const QByteArray path = resolveProgram(program);
    if (path.isEmpty()) {
        m_result.error = systemError(ENOENT);
        return;
    }
    Pipe status;
    if (!status.valid()) {
        m_result.error = systemError(errno);
        return;
    }
    std::vector<char*> argPointers = pointersTo(argv);
    std::vector<char*> envPointers = pointersTo(env);
    const QByteArray directory = QFile::encodeName(m_options.workingDirectory);
    const ChildSetup setup{path.constData(),
                           argPointers.data(),
                           envPointers.data(),
                           m_options.workingDirectory.isEmpty() ? nullptr : directory.constData(),
                           m_options.captureOutput ? out.writeEnd() : -1,
                           m_options.captureOutput ? err.writeEnd() : -1,
                           status.writeEnd(),
                           ::getpid()};
    const pid_t pid = ::fork();
    if (pid < 0) {
        m_result.error = systemError(errno);
        return;
    }
    if (pid == 0) execChild(setup);
    ::setpgid(pid, pid);  // also here, so a kill of the group never misses a child just started
    status.closeWriteEnd();
    out.closeWriteEnd();
    err.closeWriteEnd();
    int childError = 0;
    ssize_t got = 0;
    const int statusRead = status.releaseReadEnd();
    while ((got = ::read(statusRead, &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    ::close(statusRead);
    if (got > 0) {
        // Set-up or exec failed: the child never ran the program.
        waitFor(pid);
        m_result.error = systemError(childError);
        return;
    }
    m_pid = pid;
    m_exitFd = pidfdOpen(pid);
    if (m_options.captureOutput) {
        m_stdout = out.releaseReadEnd();
        m_stderr = err.releaseReadEnd();
        setNonBlocking(m_stdout);
        setNonBlocking(m_stderr);
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
        pollOnce(std::clamp(left, milliseconds(1), m_exitFd >= 0 ? kLongestSlice : slice));
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

// Reads what the child writes during at most `slice`; returns early when it ends.
void ChildProcess::pollOnce(milliseconds slice) {
    pollfd fds[3];
    nfds_t count = 0;
    for (int fd : {m_stdout, m_stderr, m_exitFd}) {
        if (fd >= 0) fds[count++] = pollfd{fd, POLLIN, 0};
    }
    if (count == 0) {
        std::this_thread::sleep_for(slice);
        return;
    }
    if (::poll(fds, count, static_cast<int>(slice.count())) > 0) {
        readAvailable(m_stdout, m_result.standardOutput);
        readAvailable(m_stderr, m_result.standardError);
    }
}

void ChildProcess::readAvailable(int& fd, QByteArray& into) {
    char buffer[65536];
    while (fd >= 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const qsizetype room = kMaxCapturedBytes - into.size();
            into.append(buffer, std::min<qsizetype>(room, n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            closeFd(fd);  // end of output, or an error that ends it
        }
    }
}

void ChildProcess::drainOutput(Clock::time_point until) {
    closeFd(m_exitFd);  // ended: it would wake every poll at once
    while ((m_stdout >= 0 || m_stderr >= 0) && Clock::now() < until) {
        pollOnce(kLongestSlice);
    }
}

// Looks at the child without reaping it, so its process group still exists
// while whatever it left behind in the group is killed; then reaps it.
bool ChildProcess::reapIfEnded() {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno == EINTR) return false;
        // Someone else reaped it (SIGCHLD ignored): its id may be reused, so no kill.
        m_pid = -1;
        m_result.status = ChildStatus::Exited;
        m_result.error = systemError(errno);
        return true;
    }
    if (info.si_pid == 0) return false;
    ::kill(-m_pid, SIGKILL);
    const int status = waitFor(m_pid);
    m_pid = -1;
    if (WIFSIGNALED(status)) {
        m_result.status = ChildStatus::Signalled;
        m_result.exitCode = WTERMSIG(status);
    } else {
        m_result.status = ChildStatus::Exited;
        m_result.exitCode = WEXITSTATUS(status);
    }
    return true;
}

void ChildProcess::killAndReap(ChildStatus why) noexcept {
    if (m_pid < 0) return;
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);  // in case it left its group
    waitFor(m_pid);
    m_pid = -1;
    m_result.status = why;
    m_result.exitCode = -1;
}

void ChildProcess::closeDescriptors() noexcept {
    closeFd(m_stdout);
    closeFd(m_stderr);
    closeFd(m_exitFd);
}
