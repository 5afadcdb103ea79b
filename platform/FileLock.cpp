#include "platform/FileLock.h"

#include "platform/GeneralError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

QString systemReason() {
    return qt_error_string(errno);
}

}  // namespace

FileLock::FileLock(const QString& path, const std::function<void()>& onWait) : m_path(path) {
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        throw EGeneralError(
            QStringLiteral("Не удалось открыть файл %1: %2").arg(path, systemReason()));
    }
    int rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (rc != 0 && errno == EWOULDBLOCK) {
        if (onWait) onWait();
        while ((rc = ::flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) {
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
