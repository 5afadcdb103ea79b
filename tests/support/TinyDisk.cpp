#include "tests/support/TinyDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QFile>

TinyDisk::TinyDisk() {
    const QByteArray dir = QFile::encodeName(m_dir.path());
    m_mounted = ::mount("tmpfs", dir.constData(), "tmpfs", 0, "size=64k") == 0;
}

TinyDisk::~TinyDisk() {
    if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void TinyDisk::fill() {
    const int fd = ::open(QFile::encodeName(path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), block.size()) > 0) {
    }
    ::close(fd);
}
