#include "WindowsTestMain.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/ProcessAlive.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <chrono>

using std::chrono::milliseconds;
using WindowsTestChild::roleArguments;
using WindowsTestChild::selfPath;

namespace {

ChildProcessOptions capturing(milliseconds timeout = milliseconds(30000)) {
    ChildProcessOptions options;
    options.timeout = timeout;
    options.captureOutput = true;
    return options;
}

QStringList outputLines(const ChildResult& result) {
    return QString::fromUtf8(result.standardOutput)
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
        .join(QLatin1Char('\n'))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const QStringList kAwkwardArguments{
    u""_q,         u"two words"_q, u"\"quoted\""_q,  u"ends\\"_q,
    u"a\\\\\"b"_q, u"tab\there"_q, u"Привет, мир"_q, u"C:\\Program Files\\x\\"_q};

}  // namespace

TEST(WindowsCommandLine, TheSystemParsesBackTheSameVector) {
    const QString line = WindowsCommandLine(u"C:\\p\\x.exe"_q, kAwkwardArguments);
    int count = 0;
    wchar_t** vector = ::CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.utf16()), &count);
    QStringList parsed;
    for (int i = 1; i < count; ++i)
        parsed << QString::fromWCharArray(vector[i]);
    ::LocalFree(vector);
    EXPECT_EQ(parsed, kAwkwardArguments);
}

TEST(ChildProcessWindows, TheChildGetsItsArgumentsAndEnvironmentAndExitCode) {
    const ChildResult echo =
        ChildProcess::run(selfPath(), roleArguments(u"echo"_q, kAwkwardArguments), capturing());
    ASSERT_TRUE(echo.exitedWith(0)) << echo.error.toStdString();
    QStringList expected;
    for (const QString& argument : kAwkwardArguments)
        expected << QLatin1Char('[') + argument + QLatin1Char(']');
    EXPECT_EQ(outputLines(echo), expected);

    ChildProcessOptions options = capturing();
    options.extraEnvironment << u"CF_TEST_VALUE=значение"_q;
    const ChildResult env =
        ChildProcess::run(selfPath(), roleArguments(u"env"_q, {u"cf_test_value"_q}), options);
    EXPECT_EQ(outputLines(env), QStringList{u"значение"_q});

    EXPECT_TRUE(ChildProcess::run(selfPath(), roleArguments(u"exit"_q, {u"7"_q})).exitedWith(7));
}

TEST(ChildProcessWindows, TheChildHasNoConsoleWindow) {
    const ChildResult result =
        ChildProcess::run(selfPath(), roleArguments(u"console"_q), capturing());
    EXPECT_EQ(outputLines(result), QStringList{u"none"_q});
}

TEST(ChildProcessWindows, AMissingProgramNeverStarts) {
    const ChildResult result = ChildProcess::run(u"C:\\nowhere\\missing.exe"_q, {});
    EXPECT_EQ(result.status, ChildStatus::FailedToStart);
    EXPECT_FALSE(result.error.isEmpty());
}

// The child and the grandchild it started both die at the child's time-out.
TEST(ChildProcessWindows, AChildAndWhatItStartedAreKilledAtTheTimeOut) {
    ChildProcess child(selfPath(), roleArguments(u"spawn-sleeper"_q),
                       capturing(milliseconds(3000)));
    const qint64 childId = child.processId();
    ASSERT_GT(childId, 0);
    EXPECT_TRUE(IsProcessRunning(childId));
    const ChildResult result = child.wait();
    EXPECT_EQ(result.status, ChildStatus::TimedOut);
    const qint64 grandchild = outputLines(result).value(0).toLongLong();
    ASSERT_GT(grandchild, 0) << result.standardOutput.toStdString();
    EXPECT_FALSE(IsProcessRunning(childId));
    EXPECT_FALSE(IsProcessRunning(grandchild));
}

TEST(ChildProcessWindows, TheStopFlagKillsARunningChild) {
    std::atomic<bool> stop{true};
    ChildProcessOptions options;
    options.stop = &stop;
    EXPECT_EQ(ChildProcess::run(selfPath(), roleArguments(u"sleep"_q), options).status,
              ChildStatus::Stopped);
}
