#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
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
    return qt_error_string(code);  // thread-safe, unlike strerror
}

void closeFd(int& fd) noexcept {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// posix_spawn's file actions and attributes as owned objects.
class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&m_attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

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

int spawnActions(SpawnFileActions& actions, const ChildProcessOptions& options, Pipe& out,
                 Pipe& err) {
    posix_spawn_file_actions_t* a = actions.get();
    int rc = posix_spawn_file_actions_addopen(a, 0, "/dev/null", O_RDONLY, 0);
    if (options.captureOutput) {
        if (!rc) rc = posix_spawn_file_actions_adddup2(a, out.writeEnd(), 1);
        if (!rc) rc = posix_spawn_file_actions_adddup2(a, err.writeEnd(), 2);
    } else {
        if (!rc) rc = posix_spawn_file_actions_addopen(a, 1, "/dev/null", O_WRONLY, 0);
        if (!rc) rc = posix_spawn_file_actions_addopen(a, 2, "/dev/null", O_WRONLY, 0);
    }
    // Descriptors other code opened without close-on-exec stay ours.
    if (!rc) rc = posix_spawn_file_actions_addclosefrom_np(a, 3);
    if (!rc && !options.workingDirectory.isEmpty()) {
        rc = posix_spawn_file_actions_addchdir_np(
            a, QFile::encodeName(options.workingDirectory).constData());
    }
    return rc;
}

// Own process group (so the whole group can be killed), default signal
// dispositions (we ignore SIGPIPE; the child should not) and an empty mask.
int spawnAttributes(SpawnAttributes& attributes) {
    posix_spawnattr_t* a = attributes.get();
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    int rc = posix_spawnattr_setflags(
        a, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (!rc) rc = posix_spawnattr_setpgroup(a, 0);
    if (!rc) rc = posix_spawnattr_setsigmask(a, &none);
    if (!rc) rc = posix_spawnattr_setsigdefault(a, &all);
    return rc;
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
        m_result.error = QStringLiteral("no program given");
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
    SpawnFileActions actions;
    SpawnAttributes attributes;
    int rc = spawnActions(actions, m_options, out, err);
    if (!rc) rc = spawnAttributes(attributes);
    pid_t pid = -1;
    if (!rc) {
        rc = ::posix_spawnp(&pid, argv.front().constData(), actions.get(), attributes.get(),
                            pointersTo(argv).data(), pointersTo(env).data());
    }
    if (rc != 0) {
        m_result.error = systemError(rc);
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
