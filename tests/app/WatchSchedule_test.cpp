// The daily watch as systemd user units: the files systemd would read, and installing and
// removing them in a temporary home, where no systemd user session answers (this falls back to
// the crontab line) or one does.
#include "app/WatchSchedule.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

class WatchScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        programDir = dir.path() + u"/папка 100% \"$HOME\""_q;
        ASSERT_TRUE(QDir().mkpath(programDir));
    }

    // Runs the console program with its user configuration in `home`.
    int cli(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_q, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_q, home.path() + u"/config"_q);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(CF_CLI_PATH),
                      QStringList{u"watch"_q, u"--dir"_q, programDir} + arguments);
        if (!process.waitForFinished(120000)) return -1;
        output =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        return process.exitCode();
    }

    QStringList filesIn(const QString& path) const {
        QStringList files;
        QDirIterator it(path, QDir::Files | QDir::System | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    QTemporaryDir dir, home;
    QString programDir, output;
};

TEST_F(WatchScheduleTest, TheUnitsPassSystemdsOwnCheck) {
    const QString analyze = QStandardPaths::findExecutable(u"systemd-analyze"_q);
    if (analyze.isEmpty()) GTEST_SKIP() << "systemd-analyze is not installed";
    const WatchUnits units = MakeWatchUnits(programDir, QStringLiteral(CF_CLI_PATH), QTime(7, 5));
    EXPECT_TRUE(units.name.startsWith(u"contract-finder-watch-"_q));
    EXPECT_NE(units.name, WatchUnitName(dir.path())) << "another folder, another timer";
    EXPECT_TRUE(units.timerText.contains(u"OnCalendar=*-*-* 07:05:00\n"_q));
    EXPECT_TRUE(units.timerText.contains(u"Persistent=true\n"_q));
    EXPECT_TRUE(units.serviceText.contains(u"ExecStart=\""_q + QStringLiteral(CF_CLI_PATH) +
                                           u"\" watch --dir \""_q + dir.path() +
                                           u"/папка 100%% \\\"$$HOME\\\"\"\n"_q))
        << units.serviceText.toStdString();

    QTemporaryDir units_dir;
    for (const auto& [path, text] : {std::pair{units.name + u".timer"_q, units.timerText},
                                     std::pair{units.name + u".service"_q, units.serviceText}}) {
        QFile file(units_dir.path() + u'/' + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    QProcess verify;
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(analyze, {u"verify"_q, units_dir.path() + u'/' + units.name + u".timer"_q,
                           units_dir.path() + u'/' + units.name + u".service"_q});
    ASSERT_TRUE(verify.waitForFinished(60000));
    const QString said = QString::fromUtf8(verify.readAll());
    EXPECT_EQ(verify.exitCode(), 0) << said.toStdString();
    EXPECT_FALSE(said.contains(units.name)) << said.toStdString();
}

TEST_F(WatchScheduleTest, InstallingAndRemovingLeaveNothingBehind) {
    const int installed = cli({u"--install"_q, u"06:30"_q});
    if (installed == 0) {
        // A systemd user session took the timer.
        EXPECT_TRUE(output.contains(u"каждый день в 06:30"_q)) << output.toStdString();
        EXPECT_EQ(cli({u"--status"_q}), 0);
        EXPECT_TRUE(output.contains(u"Автоматическая проверка: каждый день в 06:30"_q));
    } else {
        // None here: nothing is left installed, and the crontab line does the same.
        EXPECT_EQ(installed, 1);
        EXPECT_TRUE(output.contains(u"Пользовательский systemd недоступен"_q))
            << output.toStdString();
        EXPECT_TRUE(
            output.contains(u"30 6 * * * '"_q + QStringLiteral(CF_CLI_PATH) + u"' watch --dir '"_q))
            << output.toStdString();
        EXPECT_TRUE(output.contains(u"100\\% \"$HOME\"'"_q)) << output.toStdString();
        EXPECT_TRUE(QDir(home.path()).isEmpty()) << "not even the unit folder";
        EXPECT_EQ(cli({u"--status"_q}), 0);
        EXPECT_TRUE(output.contains(u"Автоматическая проверка не назначена"_q));
    }
    EXPECT_EQ(cli({u"--remove"_q}), 0);
    EXPECT_TRUE(filesIn(home.path()).isEmpty()) << filesIn(home.path()).join(u' ').toStdString();
    EXPECT_EQ(cli({u"--install"_q, u"25:00"_q}), 2);
}

}  // namespace
