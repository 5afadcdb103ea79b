// Stopping the console front end while its report stage waits for another copy's lock on the
// folder: Ctrl+C, SIGTERM and SIGHUP end the wait and the run with its account; a second
// Ctrl+C ends the program at once.
#include "platform/FileLock.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/CliCrawlRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

namespace {

class CliStopTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        ASSERT_TRUE(WriteInnList(
            dir.path(), {QString::fromStdString(portal.contracts().front().inns.front())}));
        other = std::make_unique<FileLock>(dir.filePath(u"shown.txt.lock"_q));
    }

    // Starts a run and returns once it waits for the lock.
    void startAndWaitForTheLock() {
        cli.start(QStringLiteral(CF_CLI_PATH),
                  {u"run"_q, u"--dir"_q, dir.path(), u"--portal"_q,
                   QString::fromStdString(replica.baseUrl()), u"--from"_q, u"01.03.2024"_q,
                   u"--to"_q, u"01.03.2024"_q, u"--loop-sleep-ms"_q, u"2"_q});
        ASSERT_TRUE(cli.waitForStarted());
        for (int i = 0; i < 600 && !output.contains(u"Другая копия программы"_q); ++i) {
            cli.waitForReadyRead(100);
            output += QString::fromUtf8(cli.readAllStandardOutput());
        }
        ASSERT_TRUE(output.contains(u"Другая копия программы"_q)) << output.toStdString();
    }

    // Sends the signals and gives the exit code once the program has ended (-1: it did not).
    int signalAndWait(std::initializer_list<int> sent) {
        for (int signal : sent)
            ::kill(static_cast<pid_t>(cli.processId()), signal);
        if (!cli.waitForFinished(60000)) return -1;
        output += QString::fromUtf8(cli.readAllStandardOutput());
        errors = QString::fromUtf8(cli.readAllStandardError());
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -2;
    }

    PortalReplica replica;
    SyntheticPortal portal{replica, [] {
                               SyntheticPortalConfig config;
                               config.firstDay = QDate(2024, 3, 1);
                               config.lastDay = config.firstDay;
                               config.contracts44 = 2;
                               config.contractsCapital = 0;
                               config.contracts223 = 0;
                               config.ocrContracts = 0;
                               return config;
                           }()};
    QTemporaryDir dir;
    std::unique_ptr<FileLock> other;
    QProcess cli;
    QString output;
    QString errors;
};

const QString kStoppedInReports =
    u"Итог работы: остановлено пользователем во время составления отчётов; отчёты составлены не "
    u"по всем ИНН, новых строк не записано"_q;

}  // namespace

TEST_F(CliStopTest, CtrlCTermAndHangUpEndTheWaitAndTheRunWithItsAccount) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        output.clear();
        startAndWaitForTheLock();
        ASSERT_EQ(signalAndWait({signal}), 130) << signal << output.toStdString();
        EXPECT_TRUE(output.contains(kStoppedInReports)) << output.toStdString();
        EXPECT_TRUE(output.contains(u": Работа завершена, лог записан в "_q));
    }
}

TEST_F(CliStopTest, ACtrlCAfterAStopEndsTheProgramAtOnce) {
    startAndWaitForTheLock();
    // Two Ctrl+C sent at once may merge into one; a hang-up first is the same stop and is
    // delivered before the Ctrl+C (the lower signal number goes first).
    ASSERT_EQ(signalAndWait({SIGHUP, SIGINT}), 130) << output.toStdString();
    EXPECT_TRUE(errors.contains(u"Повторный Ctrl+C: программа завершена сразу"_q))
        << errors.toStdString();
}
