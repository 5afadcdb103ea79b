#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// "Global\Name" is the form of a machine-wide name; the file name keeps only
// characters that are safe in a file name.
QString lockFileName(const QString& name) {
    QString base = name.section(QLatin1Char('\\'), -1);
    for (QChar& c : base) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_')) {
            c = QLatin1Char('_');
        }
    }
    return base + QStringLiteral(".lock");
}

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// A lock file descriptor, or why the file cannot serve as one.
struct OpenedLock {
    int fd = -1;
    QString refusal;
};

// Opens the lock file without following a link (a link planted in the shared
// folder would otherwise lead the open, and the chmod, to another file) and
// without blocking on a FIFO. An existing file is opened without O_CREAT:
// where protected_regular is set, O_CREAT refuses another user's file even
// when its mode lets everybody read it. Only a regular file of our own is
// made readable to everybody; another user's stays as its owner left it.
OpenedLock openLockFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = -1;
    for (int attempt = 0; attempt < 3; ++attempt) {
        fd = ::open(name.constData(), kFlags);
        if (fd >= 0 || errno != ENOENT) break;
        fd = ::open(name.constData(), kFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) break;
        // Another copy created it in between: open that one.
    }
    if (fd < 0) {
        return {-1, errno == ELOOP ? QStringLiteral("это символическая ссылка")
                                   : qt_error_string(errno)};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {-1, QStringLiteral("это не обычный файл")};
    }
    // Every user's copy must be able to open the file; the umask would narrow it.
    if (info.st_uid == ::geteuid()) ::fchmod(fd, 0666);
    return {fd, {}};
}

// The lock file of this user alone: in the user's runtime folder (mode 0700),
// else the home folder.
QString perUserLockPath(const QString& sharedPath) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    return QDir(dir).filePath(QFileInfo(sharedPath).fileName());
}

}  // namespace

NamedMutex::NamedMutex(const QString& name) : m_path(QDir::temp().filePath(lockFileName(name))) {
    OpenedLock shared = openLockFile(m_path);
    if (shared.fd >= 0) {
        m_fd = shared.fd;
        return;
    }
    // Another user's file we may not read, or a planted link: refusing the run
    // would let any local user stop everybody's runs. This user's copies
    // still take turns; copies of other users are no longer ordered with them.
    const QString sharedPath = m_path;
    m_path = perUserLockPath(sharedPath);
    const OpenedLock own = openLockFile(m_path);
    m_fd = own.fd;
    m_fallbackNote = QStringLiteral("Общий файл очерёдности запросов %1 нельзя использовать (%2): ")
                         .arg(sharedPath, shared.refusal);
    if (m_fd >= 0) {
        m_fallbackNote += QStringLiteral(
                              "запросы чередуются только с копиями программы этого "
                              "пользователя (файл %1).")
                              .arg(m_path);
    } else {
        m_fallbackNote += QStringLiteral(
                              "запросы чередуются только внутри этой копии программы (файл "
                              "%1: %2).")
                              .arg(m_path, own.refusal);
    }
}

NamedMutex::~NamedMutex() {
    if (m_fd >= 0) ::close(m_fd);
}

bool NamedMutex::lock(const std::atomic<bool>* stop, const LongWaitNotice* notice) {
    if (!enterProcessGate(stop)) return false;
    if (!lockFile(stop, notice)) {
        leaveProcessGate();
        return false;
    }
    return true;
}

bool NamedMutex::enterProcessGate(const std::atomic<bool>* stop) {
    std::unique_lock lock(m_gateMutex);
    while (m_gateTaken) {
        if (stop && stop->load()) return false;
        m_gateOpened.wait_for(lock, kPollInterval);
    }
    m_gateTaken = true;
    return true;
}

void NamedMutex::leaveProcessGate() {
    {
        std::lock_guard lock(m_gateMutex);
        m_gateTaken = false;
    }
    m_gateOpened.notify_one();
}

// Past the process gate only another process can hold the file, so the time
// spent here is the wait for another copy.
bool NamedMutex::lockFile(const std::atomic<bool>* stop, const LongWaitNotice* notice) {
    if (m_fd < 0) return true;  // no file to lock: the process gate alone orders the threads
    const int mode = stop ? LOCK_EX | LOCK_NB : LOCK_EX;
    const auto started = std::chrono::steady_clock::now();
    bool notified = false;
    for (;;) {
        if (::flock(m_fd, mode) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return false;
        if (stop->load()) return false;
        if (notice && !notified && std::chrono::steady_clock::now() - started >= notice->after) {
            notified = true;
            notice->notify();
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

void NamedMutex::unlock() {
    if (m_fd >= 0) ::flock(m_fd, LOCK_UN);
    leaveProcessGate();
}
