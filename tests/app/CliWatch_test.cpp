// The watch of the console front end, run as the program itself against the synthetic portal on
// a private session bus whose notification service is the test's own recorder: what it
// reports, what it tells the desktop, and when it keeps quiet.
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <map>

namespace {

const QString kDeadPortal = u"https://127.0.0.1:9/"_q;

SyntheticPortalConfig SmallPortal() {
    SyntheticPortalConfig config;
    config.seed = 5;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 10);
    config.contracts44 = 30;
    config.contractsCapital = 10;
    config.contracts223 = 20;
    config.ocrContracts = 0;
    config.frequentSupplierInn = "7712345671";
    config.frequentSupplierContracts = 12;
    return config;
}

class CliWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(u"dbus-run-session"_q).isEmpty())
            GTEST_SKIP() << "dbus-run-session is not installed: no private session bus";
        replica.start();
        programDir = dir.path() + u"/"_q;
        record = dir.path() + u"/notifications.txt"_q;
        opened = dir.path() + u"/opened.txt"_q;
    }

    // "contract-finder-cli watch" on a private session bus with the recorder as its
    // notification service (or, without a bus, alone); gives its exit code.
    int watch(const QString& portal, bool withBus = true, bool chooseAction = false) {
        QStringList arguments = {u"watch"_q, u"--dir"_q,     dir.path(),      u"--portal"_q,
                                 portal,     u"--today"_q,   u"10.03.2024"_q, u"--loop-sleep-ms"_q,
                                 u"1"_q,     u"--threads"_q, u"4"_q,          u"--action-wait-ms"_q,
                                 u"60000"_q};
        QProcess cli;
        cli.setProcessChannelMode(QProcess::MergedChannels);
        if (chooseAction) {
            // The user chooses «Открыть отчёт»; the desktop's opener is the recorder's stand-in.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            const QString bin = dir.path() + u"/bin"_q;
            QDir().mkpath(bin);
            QFile::link(QStringLiteral(CF_RECORDER_PATH), bin + u"/xdg-open"_q);
            environment.insert(u"PATH"_q, bin + u':' + environment.value(u"PATH"_q));
            environment.insert(u"CF_RECORDER_CHOOSE"_q, u"1"_q);
            environment.insert(u"CF_OPENED_RECORD"_q, opened);
            cli.setProcessEnvironment(environment);
        }
        if (withBus) {
            arguments = QStringList{u"--"_q, QStringLiteral(CF_RECORDER_PATH), record,
                                    QStringLiteral(CF_CLI_PATH)} +
                        arguments;
            cli.start(u"dbus-run-session"_q, arguments);
        } else {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_q,
                               u"unix:path="_q + dir.path() + u"/no-bus"_q);
            cli.setProcessEnvironment(environment);
            cli.start(QStringLiteral(CF_CLI_PATH), arguments);
        }
        if (!cli.waitForFinished(300000)) return -1;
        output = QString::fromUtf8(cli.readAll());
        return cli.exitCode();
    }

    // The notifications the recorder received: summary, body, actions.
    QList<QStringList> notifications() const {
        QList<QStringList> received;
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly)) return received;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (!line.isEmpty()) received << line.split(u'\t');
        }
        return received;
    }

    PortalReplica replica;
    SyntheticPortal portal{replica, SmallPortal()};
    QTemporaryDir dir;
    QString programDir, record, opened, output;
};

// The sum as the notification writes it: "1 234 567,00 ₽" with non-breaking group spaces.
QString Roubles(double sum) {
    return QLocale(QLocale::Russian, QLocale::Russia).toString(sum, 'f', 2) + u" ₽"_q;
}

TEST_F(CliWatchTest, TheFirstWatchNotifiesItsNewContractsAndTheSecondKeepsQuiet) {
    // A supplier of many 44-FZ contracts and one named on a 223-FZ supplier page, sharing no
    // contract: each count and sum is that INN's alone.
    std::string listed223;
    for (const SyntheticContract& contract : portal.contracts()) {
        if (contract.route == SyntheticRoute::SupplierList && contract.inns.size() == 1 &&
            listed223.empty())
            listed223 = contract.inns.front();
    }
    std::map<std::string, std::pair<int, double>> expected;
    for (const std::string& inn : {std::string("7712345671"), listed223}) {
        double sum = 0;
        const auto found = portal.supplierSearch(inn).found;
        for (const SyntheticContract* one : found) {
            sum += one->expectedAmount;
            for (const std::string& other : one->inns)
                ASSERT_TRUE(other == inn || (other != "7712345671" && other != listed223));
        }
        expected[inn] = {int(found.size()), sum};
    }
    ASSERT_GT(expected["7712345671"].first, 10);
    ASSERT_EQ(expected.size(), 2u);
    QFile list(programDir + u"INNs.txt"_q);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    for (const auto& [inn, figures] : expected)
        list.write(QByteArray::fromStdString(inn) + "\r\n");
    list.close();

    ASSERT_EQ(watch(QString::fromStdString(replica.baseUrl()), true, true), 0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(
        u"Проверка новых контрактов: с 09.02.2024 по 10.03.2024 (первая проверка: последние 30 "
        u"дней)"_q))
        << output.toStdString();
    auto received = notifications();
    ASSERT_EQ(received.size(), 1) << output.toStdString();
    int total = 0;
    for (const auto& [inn, figures] : expected) {
        total += figures.first;
        EXPECT_TRUE(received[0][1].contains(QString::fromStdString(inn) + u": "_q +
                                            QString::number(figures.first)))
            << received[0][1].toStdString();
        EXPECT_TRUE(received[0][1].contains(Roubles(figures.second))) << inn;
    }
    EXPECT_TRUE(received[0][0].contains(QString::number(total))) << received[0][0].toStdString();
    EXPECT_EQ(received[0][2], u"default,Открыть отчёт"_q);
    EXPECT_TRUE(output.contains(u"Показано уведомление: "_q));
    // «Открыть отчёт» opened the one workbook of the two INNs' report, by the desktop's opener.
    const QStringList workbooks = QDir(dir.path()).entryList({u"*.xlsx"_q}, QDir::Files);
    ASSERT_EQ(workbooks.size(), 1);
    EXPECT_TRUE(output.contains(u"Открыт отчёт "_q + dir.filePath(workbooks.first())))
        << output.toStdString();
    // The opener runs detached from the watch: its line may come a moment after the watch ended.
    QString openedLine;
    for (int wait = 0; wait < 100 && !openedLine.endsWith(u'\n'); ++wait) {
        QThread::msleep(100);
        QFile openedFile(opened);
        if (openedFile.open(QIODevice::ReadOnly))
            openedLine = QString::fromUtf8(openedFile.readAll());
    }
    EXPECT_EQ(openedLine.trimmed(), dir.filePath(workbooks.first()));

    // Nothing new since: the window starts a week before the last watch's end, and no
    // notification is sent.
    ASSERT_EQ(watch(QString::fromStdString(replica.baseUrl())), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"Проверка новых контрактов: с 03.03.2024 по 10.03.2024"_q))
        << output.toStdString();
    EXPECT_EQ(notifications().size(), 1);

    // Both watches are in the history.
    QProcess runs;
    runs.start(QStringLiteral(CF_CLI_PATH), {u"runs"_q, u"--dir"_q, dir.path()});
    ASSERT_TRUE(runs.waitForFinished(60000));
    const QString history = QString::fromUtf8(runs.readAllStandardOutput());
    EXPECT_EQ(history.count(u"проверка  "_q), 2) << history.toStdString();
    EXPECT_TRUE(history.contains(u"новых контрактов "_q + QString::number(total)));
    EXPECT_TRUE(history.contains(u"новых контрактов 0"_q));
}

TEST_F(CliWatchTest, ChecksFailingThreeTimesInARowAreToldOnce) {
    QFile list(programDir + u"INNs.txt"_q);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("7707083893\r\n");
    list.close();
    for (int attempt = 1; attempt <= 4; ++attempt) {
        EXPECT_EQ(watch(kDeadPortal), 1) << output.toStdString();
        EXPECT_EQ(notifications().size(), attempt >= 3 ? 1 : 0) << attempt;
    }
    const auto received = notifications();
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0], u"Поиск контрактов: проверки не удаются"_q);
    EXPECT_TRUE(received[0][1].contains(u"Не удались 3 проверки подряд. Причина: "_q));
    EXPECT_TRUE(received[0][2].isEmpty()) << "nothing to open";
    // A failed watch leaves the window where it was: still the first watch's 30 days.
    EXPECT_TRUE(output.contains(u"(первая проверка: последние 30 дней)"_q));

    // Without a session bus the same failure is a log line only.
    QFile::remove(programDir + u"db.s3db"_q);
    for (int attempt = 1; attempt <= 3; ++attempt)
        EXPECT_EQ(watch(kDeadPortal, false), 1);
    EXPECT_TRUE(output.contains(u"Уведомление не показано: "_q)) << output.toStdString();
    EXPECT_EQ(notifications().size(), 1);
}

}  // namespace
