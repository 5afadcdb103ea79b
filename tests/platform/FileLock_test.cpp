#include "platform/FileLock.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <thread>

TEST(FileLock, ASecondHolderWaitsUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shown.txt.lock"));
    auto first = std::make_unique<FileLock>(path);
    std::atomic<bool> waited{false};
    std::atomic<bool> held{false};
    std::thread second([&] {
        FileLock lock(path, [&] { waited = true; });
        held = true;
    });
    while (!waited)
        std::this_thread::yield();
    EXPECT_FALSE(held);
    first.reset();
    second.join();
    EXPECT_TRUE(held);
}

TEST(FileLock, TheRecordPassesToTheNextHolder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    {
        FileLock lock(path);
        EXPECT_TRUE(lock.record().isEmpty());
        lock.setRecord("a longer first record");
        lock.setRecord("second");
    }
    bool waited = false;
    FileLock lock(path, [&] { waited = true; });
    EXPECT_FALSE(waited);
    EXPECT_EQ(lock.record(), QByteArray("second"));
}

TEST(FileLock, AFolderThatDoesNotExistThrows) {
    EXPECT_THROW(FileLock(QStringLiteral("/nonexistent-folder/x.lock")), std::exception);
    // The reason in Russian, whatever language the system speaks.
    try {
        FileLock lock(QStringLiteral("/nonexistent-folder/x.lock"));
    } catch (const EGeneralError& e) {
#ifdef Q_OS_WIN
        // Windows words the reason itself, in its own language (Russian in the checks).
        EXPECT_TRUE(e.message().contains(QStringLiteral("Файл не найден")))
            << e.message().toStdString();
#else
        EXPECT_TRUE(e.message().endsWith(QStringLiteral("нет такого файла или папки")))
            << e.message().toStdString();
#endif
    }
}

TEST(FileLock, AStopEndsTheWaitAndTheLockStaysWithItsHolder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shown.txt.lock"));
    FileLock first(path);
    first.setRecord("kept");
    std::atomic<bool> stop{false};
    // The stop comes once the wait has begun.
    EXPECT_THROW(FileLock(
                     path, [&] { stop = true; }, [&] { return stop.load(); }),
                 ELockWaitStopped);
    EXPECT_EQ(first.record(), QByteArray("kept"));
}
