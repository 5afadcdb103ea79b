#include "platform/FileLock.h"

#include "platform/GeneralError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

QString systemReason() {
    return RussianSystemReason(qt_error_string(errno));
}

constexpr auto kStopPollInterval = std::chrono::milliseconds(100);

}  // namespace

FileLock::FileLock(const QString& path, const std::function<void()>& onWait,
                   const std::function<bool()>& stopRequested)
    : m_path(path) {
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        throw EGeneralError(
            QStringLiteral("Не удалось открыть файл %1: %2").arg(path, systemReason()));
    }
    int rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (rc != 0 && errno == EWOULDBLOCK) {
        if (onWait) onWait();
        // With a stop to watch, the wait is a poll, so that the stop ends it.
        const int mode = stopRequested ? LOCK_EX | LOCK_NB : LOCK_EX;
        while ((rc = ::flock(m_fd, mode)) != 0 && (errno == EINTR || errno == EWOULDBLOCK)) {
            if (errno == EINTR) continue;
            if (stopRequested()) {
                ::close(m_fd);
                throw ELockWaitStopped(
                    QStringLiteral("Ожидание файла %1 прервано остановкой").arg(path));
            }
            std::this_thread::sleep_for(kStopPollInterval);
        }
    }
    if (rc != 0) {
        const QString reason = systemReason();
        ::close(m_fd);
        throw EGeneralError(QStringLiteral("Не удалось занять файл %1: %2").arg(path, reason));
    }
}

FileLock::~FileLock() {
    // Closing the descriptor releases the lock.
    ::close(m_fd);
}

QByteArray FileLock::record() const {
    QByteArray bytes;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(m_fd, buffer, sizeof buffer, offset);
        if (got <= 0) break;
        bytes.append(buffer, got);
        offset += got;
    }
    return bytes;
}

void FileLock::setRecord(const QByteArray& bytes) {
    // Written over the old record first and cut after, so that a kill between
    // the two leaves the new record followed by the old one's tail, which a
    // reader tells apart by its own framing.
    const ssize_t put = ::pwrite(m_fd, bytes.constData(), bytes.size(), 0);
    if (put != bytes.size() || ::ftruncate(m_fd, bytes.size()) != 0) {
        ThrowFileWriteError(m_path, systemReason());
    }
}

bool TryLockOpenFile(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}
