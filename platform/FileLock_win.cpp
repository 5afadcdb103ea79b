#include "platform/FileLock.h"

#include "platform/GeneralError.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#include <QDir>
#include <chrono>
#include <thread>

// Windows locks are mandatory rather than advisory: while one handle holds
// the lock, reads and writes through other handles fail. The lock file is
// only ever touched by its holder, so that changes nothing here.
namespace {

QString systemReason() {
    return RussianSystemReason(qt_error_string(static_cast<int>(::GetLastError())));
}

constexpr auto kStopPollInterval = std::chrono::milliseconds(100);

HANDLE osHandle(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// The whole file, however long it grows.
bool lockWhole(HANDLE handle, DWORD flags) {
    OVERLAPPED from{};
    return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | flags, 0, MAXDWORD, MAXDWORD, &from);
}

}  // namespace

FileLock::FileLock(const QString& path, const std::function<void()>& onWait,
                   const std::function<bool()>& stopRequested)
    : m_path(path) {
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    if (::_wsopen_s(&m_fd, native.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                    _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        m_fd = -1;
        throw EGeneralError(QStringLiteral("Не удалось открыть файл %1: %2")
                                .arg(path, RussianSystemReason(qt_error_string(errno))));
    }
    bool locked = lockWhole(osHandle(m_fd), LOCKFILE_FAIL_IMMEDIATELY);
    if (!locked && ::GetLastError() == ERROR_LOCK_VIOLATION) {
        if (onWait) onWait();
        if (!stopRequested) {
            locked = lockWhole(osHandle(m_fd), 0);
        } else {
            // With a stop to watch, the wait is a poll, so that the stop ends it.
            while (!(locked = lockWhole(osHandle(m_fd), LOCKFILE_FAIL_IMMEDIATELY)) &&
                   ::GetLastError() == ERROR_LOCK_VIOLATION) {
                if (stopRequested()) {
                    ::_close(m_fd);
                    throw ELockWaitStopped(
                        QStringLiteral("Ожидание файла %1 прервано остановкой").arg(path));
                }
                std::this_thread::sleep_for(kStopPollInterval);
            }
        }
    }
    if (!locked) {
        const QString reason = systemReason();
        ::_close(m_fd);
        throw EGeneralError(QStringLiteral("Не удалось занять файл %1: %2").arg(path, reason));
    }
}

FileLock::~FileLock() {
    // Closing the handle releases the lock.
    ::_close(m_fd);
}

QByteArray FileLock::record() const {
    QByteArray bytes;
    char buffer[4096];
    if (::_lseeki64(m_fd, 0, SEEK_SET) != 0) return bytes;
    for (;;) {
        const int got = ::_read(m_fd, buffer, sizeof buffer);
        if (got <= 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}

void FileLock::setRecord(const QByteArray& bytes) {
    // Written over the old record first and cut after, as on every system.
    const bool written =
        ::_lseeki64(m_fd, 0, SEEK_SET) == 0 &&
        ::_write(m_fd, bytes.constData(), static_cast<unsigned>(bytes.size())) == bytes.size() &&
        ::_chsize_s(m_fd, bytes.size()) == 0;
    if (!written) ThrowFileWriteError(m_path, qt_error_string(errno));
}

bool TryLockOpenFile(int fd) {
    return fd >= 0 && lockWhole(osHandle(fd), LOCKFILE_FAIL_IMMEDIATELY);
}
