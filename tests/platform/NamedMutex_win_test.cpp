#include "WindowsTestMain.h"
#include "platform/ChildProcess.h"
#include "platform/NamedMutex.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QUuid>
#include <thread>

using WindowsTestChild::roleArguments;
using WindowsTestChild::selfPath;

namespace {

QString uniqueName() {
    return u"Global\\cf-test-"_q + QUuid::createUuid().toString(QUuid::Id128);
}

int otherProcessTries(const QString& name) {
    const ChildResult result = ChildProcess::run(selfPath(), roleArguments(u"try-mutex"_q, {name}));
    return result.status == ChildStatus::Exited ? result.exitCode : -1;
}

}  // namespace

TEST(NamedMutexWindows, AnotherProcessWaitsWhileOneHoldsIt) {
    const QString name = uniqueName();
    NamedMutex mutex(name);
    ASSERT_TRUE(mutex.lock());
    EXPECT_EQ(otherProcessTries(name), 1);  // gave up at its stop flag
    mutex.unlock();
    EXPECT_EQ(otherProcessTries(name), 0);
}

TEST(NamedMutexWindows, AHolderThatDiesLetsTheNextIn) {
    const QString name = uniqueName();
    NamedMutex mutex(name);
    const ChildResult died =
        ChildProcess::run(selfPath(), roleArguments(u"abandon-mutex"_q, {name}));
    ASSERT_TRUE(died.exitedWith(0));
    std::atomic<bool> stop{false};
    EXPECT_TRUE(mutex.lock(&stop));
    mutex.unlock();
}

TEST(NamedMutexWindows, TheStopFlagEndsTheWait) {
    const QString name = uniqueName();
    NamedMutex holder(name);
    ASSERT_TRUE(holder.lock());
    // The kernel mutex lets its owning thread in again; another thread waits.
    std::atomic<bool> stop{true};
    bool got = true;
    std::thread([&] {
        NamedMutex other(name);
        got = other.lock(&stop);
    }).join();
    EXPECT_FALSE(got);
    holder.unlock();
}
