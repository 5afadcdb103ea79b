#include "platform/NamedMutex.h"

#include "platform/GeneralError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
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

}  // namespace

NamedMutex::NamedMutex(const QString& name) : m_path(QDir::temp().filePath(lockFileName(name))) {
    const QByteArray path = QFile::encodeName(m_path);
    m_fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        throw EGeneralError(QStringLiteral("%1: %2").arg(m_path, qt_error_string(errno)));
    }
    // Every user's copy must be able to open the file; the umask would narrow it.
    ::fchmod(m_fd, 0666);
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
    ::flock(m_fd, LOCK_UN);
    leaveProcessGate();
}
