#include "platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

QString uniqueName() {
    return QStringLiteral("Global\\cf-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// The permission bits of a file (not of a link to it).
int modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777)
                                                                    : -1;
}

}  // namespace

TEST(NamedMutex, ThreadsOfOneProcessTakeTurns) {
    NamedMutex mutex(uniqueName());
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto work = [&] {
        for (int i = 0; i < 200; ++i) {
            ASSERT_TRUE(mutex.lock());
            if (inside.fetch_add(1) != 0) ++overlaps;
            std::this_thread::yield();
            inside.fetch_sub(1);
            mutex.unlock();
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(overlaps.load(), 0);
    QFile::remove(mutex.filePath());
}

TEST(NamedMutex, StopFlagEndsTheWait) {
    NamedMutex mutex(uniqueName());
    ASSERT_TRUE(mutex.lock());
    std::atomic<bool> stop{false};
    std::thread waiter([&] { EXPECT_FALSE(mutex.lock(&stop)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    waiter.join();
    mutex.unlock();
    std::atomic<bool> never{false};
    EXPECT_TRUE(mutex.lock(&never));
    mutex.unlock();
    QFile::remove(mutex.filePath());
}

// Another process holding the lock blocks us until it dies; dying releases it
// even though it never unlocked.
TEST(NamedMutex, AnotherProcessHoldsItUntilItDies) {
    const QString name = uniqueName();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        NamedMutex mutex(name);
        mutex.lock();
        const char byte = 1;
        (void)!write(ready[1], &byte, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        _exit(0);  // dies holding the lock
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const auto held = std::chrono::steady_clock::now();
    NamedMutex mutex(name);
    std::atomic<bool> stop{false};
    ASSERT_TRUE(mutex.lock(&stop));
    EXPECT_GE(std::chrono::steady_clock::now() - held, std::chrono::milliseconds(250));
    mutex.unlock();
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    QFile::remove(mutex.filePath());
}

TEST(NamedMutex, NameBecomesASafeFileName) {
    NamedMutex mutex(QStringLiteral("Global\\../x y"));
    EXPECT_TRUE(mutex.filePath().endsWith(QStringLiteral("/___x_y.lock")));
    QFile::remove(mutex.filePath());
}

// A link planted at the lock file's place is not followed: the file it names
// keeps its mode, and the run goes on with a lock of this user.
TEST(NamedMutex, PlantedLinkIsNotFollowed) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("victim"));
    QFile victim(target);
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.close();
    ASSERT_TRUE(victim.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const QString name = uniqueName();
    const QString shared = NamedMutex(name).filePath();
    QFile::remove(shared);
    ASSERT_TRUE(QFile::link(target, shared));

    NamedMutex mutex(name);
    EXPECT_NE(mutex.filePath(), shared);
    EXPECT_TRUE(mutex.fallbackNote().contains(QStringLiteral("символическая ссылка")))
        << mutex.fallbackNote().toStdString();
    EXPECT_EQ(modeOf(target), 0600);
    ASSERT_TRUE(mutex.lock());
    mutex.unlock();
    QFile::remove(shared);
    QFile::remove(mutex.filePath());
}

// Another user's lock file of mode 0600 does not refuse the run of a user who
// cannot read it: that user's copies take turns through a lock of their own.
TEST(NamedMutex, ForeignLockFileFallsBackToAPerUserLock) {
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || geteuid() != 0) GTEST_SKIP() << "needs root and the user nobody";
    const QString name = uniqueName();
    const QString shared = NamedMutex(name).filePath();  // root's file...
    ASSERT_TRUE(QFile(shared).setPermissions(QFile::ReadOwner | QFile::WriteOwner));  // ...0600
    QTemporaryDir home;
    ASSERT_EQ(chown(QFile::encodeName(home.path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As the other user: a fresh runtime folder in its own home.
        setenv("HOME", QFile::encodeName(home.path()).constData(), 1);
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()).constData(), 1);
        if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(3);
        NamedMutex mutex(name);
        const bool locked = mutex.lock();
        mutex.unlock();
        const QByteArray line = (locked ? "locked\n" : "refused\n") +
                                QFile::encodeName(mutex.filePath()) + '\n' +
                                mutex.fallbackNote().toUtf8();
        (void)!write(report[1], line.constData(), line.size());
        _exit(0);
    }
    close(report[1]);
    QByteArray out;
    char buffer[512];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, got);
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "locked");
    EXPECT_TRUE(lines[1].startsWith(QFile::encodeName(home.path()))) << lines[1].constData();
    EXPECT_TRUE(lines[2].startsWith("Общий файл очерёдности запросов")) << out.constData();
    EXPECT_EQ(modeOf(shared), 0600);
    QFile::remove(shared);
}
