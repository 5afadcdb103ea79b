#include "platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QUuid>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

QString uniqueName() {
    return QStringLiteral("Global\\cf-test-") + QUuid::createUuid().toString(QUuid::Id128);
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
