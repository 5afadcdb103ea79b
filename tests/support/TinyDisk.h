#pragma once

#include <QString>
#include <QTemporaryDir>

// A file system of 64 KB (tmpfs) mounted on a fresh folder, for the faults of
// a full disk; unmounted again. Mounting needs root: mounted() is false
// without it, and the test skips.
class TinyDisk {
public:
    TinyDisk();
    ~TinyDisk();
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Takes every free byte with a file of its own.
    void fill();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
