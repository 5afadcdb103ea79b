#include "platform/ChildProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

ChildProcessOptions capturing(std::chrono::milliseconds timeout = 10s) {
    ChildProcessOptions options;
    options.timeout = timeout;
    options.captureOutput = true;
    return options;
}

// A process is gone when it no longer exists or is a zombie nobody of ours
// has to reap (a grandchild handed to the system's reaper).
bool processGone(int pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

bool goneWithin(int pid, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!processGone(pid)) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Our own child is reaped: waitpid no longer knows it.
bool reaped(int pid) {
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

}  // namespace

TEST(ChildProcess, ReportsTheExitCode) {
    EXPECT_TRUE(ChildProcess::run(QStringLiteral("true"), {}).exitedWith(0));
    const ChildResult result =
        ChildProcess::run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 7")});
    EXPECT_EQ(result.status, ChildStatus::Exited);
    EXPECT_EQ(result.exitCode, 7);
}

TEST(ChildProcess, ReportsADeathBySignal) {
    const ChildResult result = ChildProcess::run(
        QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -TERM $$")});
    EXPECT_EQ(result.status, ChildStatus::Signalled);
    EXPECT_EQ(result.exitCode, SIGTERM);
}

TEST(ChildProcess, PassesArgumentsWithoutAShell) {
    const QStringList arguments{
        QStringLiteral("%s|"),       QStringLiteral("a b"),
        QStringLiteral("'q' \"d\""), QStringLiteral("x; touch /tmp/cf-child-injected"),
        QStringLiteral("$HOME *"),   u"ИНН"_q};
    const ChildResult result = ChildProcess::run(QStringLiteral("printf"), arguments, capturing());
    ASSERT_TRUE(result.exitedWith(0));
    EXPECT_EQ(QString::fromUtf8(result.standardOutput),
              u"a b|'q' \"d\"|x; touch /tmp/cf-child-injected|$HOME *|ИНН|"_q);
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/cf-child-injected")));
}

TEST(ChildProcess, CapturesBothStreamsOrDiscardsThem) {
    const QStringList script{QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2")};
    const ChildResult captured = ChildProcess::run(QStringLiteral("sh"), script, capturing());
    EXPECT_EQ(captured.standardOutput, "out\n");
    EXPECT_EQ(captured.standardError, "err\n");
    const ChildResult discarded = ChildProcess::run(QStringLiteral("sh"), script);
    EXPECT_TRUE(discarded.exitedWith(0));
    EXPECT_TRUE(discarded.standardOutput.isEmpty());
    EXPECT_TRUE(discarded.standardError.isEmpty());
}

TEST(ChildProcess, ReadsLargeOutputWithoutBlocking) {
    const ChildResult result = ChildProcess::run(
        QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("3000000"), "/dev/zero"},
        capturing());
    ASSERT_TRUE(result.exitedWith(0));
    EXPECT_EQ(result.standardOutput.size(), 3000000);
}

TEST(ChildProcess, StandardInputIsEmpty) {
    const ChildResult result = ChildProcess::run(QStringLiteral("cat"), {}, capturing(2s));
    EXPECT_TRUE(result.exitedWith(0));
    EXPECT_TRUE(result.standardOutput.isEmpty());
}

TEST(ChildProcess, AddsAndReplacesEnvironmentEntries) {
    qputenv("CF_CHILD_TEST_OLD", "old");
    ChildProcessOptions options = capturing();
    options.extraEnvironment = {QStringLiteral("OMP_THREAD_LIMIT=1"),
                                QStringLiteral("CF_CHILD_TEST_OLD=new")};
    const ChildResult result = ChildProcess::run(QStringLiteral("env"), {}, options);
    qunsetenv("CF_CHILD_TEST_OLD");
    const QList<QByteArray> lines = result.standardOutput.split('\n');
    EXPECT_TRUE(lines.contains("OMP_THREAD_LIMIT=1"));
    EXPECT_TRUE(lines.contains("CF_CHILD_TEST_OLD=new"));
    EXPECT_FALSE(lines.contains("CF_CHILD_TEST_OLD=old"));
    EXPECT_TRUE(lines.contains("PATH=" + qgetenv("PATH")));
}

TEST(ChildProcess, RunsInTheGivenDirectory) {
    ChildProcessOptions options = capturing();
    options.workingDirectory = QDir::rootPath();
    const ChildResult result = ChildProcess::run(QStringLiteral("pwd"), {}, options);
    EXPECT_EQ(result.standardOutput, "/\n");
}

TEST(ChildProcess, KeepsOurDescriptorsToItself) {
    const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ASSERT_GE(leaked, 3);
    const ChildResult result =
        ChildProcess::run(QStringLiteral("sh"),
                          {QStringLiteral("-c"), QStringLiteral("ls /proc/$$/fd")}, capturing());
    ::close(leaked);
    const QList<QByteArray> fds = result.standardOutput.split('\n');
    EXPECT_TRUE(fds.contains("2"));
    EXPECT_FALSE(fds.contains(QByteArray::number(leaked)));
}

TEST(ChildProcess, AMissingProgramFailsToStart) {
    const ChildResult missing = ChildProcess::run(QStringLiteral("/nonexistent/cf-program"), {});
    EXPECT_EQ(missing.status, ChildStatus::FailedToStart);
    // The reason goes into Russian log lines: the system's English text is told in Russian.
    EXPECT_TRUE(missing.error.contains(QStringLiteral("нет такого файла или папки")))
        << missing.error.toStdString();
    EXPECT_EQ(ChildProcess::run(QString(), {}).status, ChildStatus::FailedToStart);
    ChildProcessOptions elsewhere;
    elsewhere.workingDirectory = QStringLiteral("/nonexistent/cf-folder");
    EXPECT_EQ(ChildProcess::run(QStringLiteral("true"), {}, elsewhere).status,
              ChildStatus::FailedToStart);
}

TEST(ChildProcess, TimeOutKillsTheChildAndWhatItStarted) {
    // The shell starts a background sleep, reports its id and waits for it.
    const auto started = std::chrono::steady_clock::now();
    ChildProcess child(QStringLiteral("sh"),
                       {QStringLiteral("-c"), QStringLiteral("sleep 60 & echo $!; wait")},
                       capturing(300ms));
    const int pid = child.processId();
    const ChildResult result = child.wait();
    EXPECT_EQ(result.status, ChildStatus::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(reaped(pid));
    const int grandchild = result.standardOutput.trimmed().toInt();
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(goneWithin(grandchild, 2s));
}

TEST(ChildProcess, EndingChildTakesItsLeftoversAlong) {
    const ChildResult result = ChildProcess::run(
        QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60 & echo $!")},
        capturing());
    EXPECT_TRUE(result.exitedWith(0));
    const int grandchild = result.standardOutput.trimmed().toInt();
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(goneWithin(grandchild, 2s));
}

TEST(ChildProcess, StopFlagKillsTheChildEarly) {
    std::atomic<bool> stop{false};
    ChildProcessOptions options;
    options.stop = &stop;
    std::thread setter([&stop] {
        std::this_thread::sleep_for(100ms);
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const ChildResult result =
        ChildProcess::run(QStringLiteral("sleep"), {QStringLiteral("30")}, options);
    setter.join();
    EXPECT_EQ(result.status, ChildStatus::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(ChildProcess, DestructionKillsAndReapsARunningChild) {
    int pid = -1;
    {
        ChildProcess child(QStringLiteral("sleep"), {QStringLiteral("30")});
        pid = child.processId();
        ASSERT_GT(pid, 0);
    }
    EXPECT_TRUE(reaped(pid));
    EXPECT_TRUE(processGone(pid));
}

TEST(ChildProcess, MovingHandsTheChildOver) {
    ChildProcess first(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 4")});
    const int pid = first.processId();
    ChildProcess second(std::move(first));
    EXPECT_EQ(first.processId(), -1);
    EXPECT_EQ(second.processId(), pid);
    EXPECT_TRUE(second.wait().exitedWith(4));
}

// A copy of this program starts a child and dies by _exit, running no destructor: the child
// must not outlive it (a killed program would otherwise leave its converters running).
TEST(ChildProcess, ChildDiesWithTheProgram) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        ::close(fds[0]);
        ChildProcess child(QStringLiteral("sleep"), {QStringLiteral("60")});
        const int pid = child.processId();
        if (::write(fds[1], &pid, sizeof pid) != sizeof pid) ::_exit(2);
        ::_exit(0);
    }
    ::close(fds[1]);
    int pid = -1;
    ASSERT_EQ(::read(fds[0], &pid, sizeof pid), static_cast<ssize_t>(sizeof pid));
    ::close(fds[0]);
    ::waitpid(program, nullptr, 0);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(goneWithin(pid, 10s));
}
