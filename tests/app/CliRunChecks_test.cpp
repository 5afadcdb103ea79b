// The console front end's answers to a portal that is not there and to input
// it must not start a run with, run as the program itself.
#include "store/SQLiteWrap.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

// Nothing listens on the discard port of loopback: every connection is refused at once.
const QString kDeadPortal = u"https://127.0.0.1:9/"_q;

class CliRunChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        programDir = dir.path() + u"/"_q;
        write(u"INNs.txt"_q, "7707083893\r\n");
    }

    void write(const QString& name, const QByteArray& content) const {
        QFile file(programDir + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray read(const QString& name) const {
        QFile file(programDir + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // "contract-finder-cli run --dir <folder>" with more options; gives its exit code.
    int run(const QStringList& options) {
        QProcess cli;
        cli.start(
            QStringLiteral(CF_CLI_PATH),
            QStringList{u"run"_q, u"--dir"_q, dir.path(), u"--loop-sleep-ms"_q, u"2"_q} + options);
        if (!cli.waitForFinished(120000)) return -1;
        output = QString::fromUtf8(cli.readAllStandardOutput());
        errors = QString::fromUtf8(cli.readAllStandardError());
        return cli.exitCode();
    }

    QTemporaryDir dir;
    QString programDir;
    QString output;
    QString errors;
};

}  // namespace

TEST_F(CliRunChecksTest, DeadPortalEndsAsAFailureThatSaysWhy) {
    write(u"settings.ini"_q, "[Settings]\r\nThreads=abc\r\n");
    // The third line is a spreadsheet row of two INNs: only the last is searched.
    write(u"INNs.txt"_q, "7707083893\r\n12345678901\r\n7728168971\t500100732259\r\n");
    ASSERT_EQ(run({u"--portal"_q, kDeadPortal}), 1) << output.right(2000).toStdString();
    EXPECT_TRUE(
        output.contains(u": Строка 3 списка ИНН: в столбце группы (первом) стоит ИНН "_q
                        u"7728168971, но ищется только ИНН последнего столбца "_q
                        u"(500100732259)"_q));
    EXPECT_TRUE(
        output.contains(u": Список ИНН: в 1 строках ИНН стоит в столбце группы или "_q
                        u"подписи и не ищется (см. начало лога)"_q));

    // The trailing "/" of the address is dropped.
    EXPECT_FALSE(output.contains(u"127.0.0.1:9//"_q));
    // The start's warnings, then one line about the silent server, not one per attempt.
    EXPECT_TRUE(output.contains(
        u": Строка 2 списка ИНН: \"12345678901\" — не ИНН: нужно 10 или 12 цифр"_q));
    EXPECT_TRUE(
        output.contains(u": В settings.ini значение Threads=abc — не число от 1 до 1000; "
                        u"используется 1"_q));
    EXPECT_EQ(output.count(u"Сервер https://127.0.0.1:9 не отвечает: 10 запросов подряд без "
                           u"ответа (сервер не принимает соединения). Проверьте адрес портала, "
                           u"подключение к интернету и настройки прокси"_q),
              1);
    // The first 20 requests failed without an answer: the run ends there, as failed, rather
    // than go on failing for minutes; a failed job that did end keeps its status and reason.
    EXPECT_EQ(output.count(u": ERROR_"_q) - output.count(u"Ответ сайта для "_q),
              output.count(u" — сервер не принимает соединения\n"_q));
    const qsizetype failure = output.indexOf(
        u": Ошибка: не получено ни одной страницы портала https://127.0.0.1:9 — сбор данных не "
        u"удался"_q);
    ASSERT_GE(failure, 0);
    EXPECT_GT(output.indexOf(u": Работа завершена, лог записан в "_q), failure);
    EXPECT_FALSE(output.contains(u": Сбор данных завершен"_q));
    EXPECT_EQ(QDir(dir.path()).entryList({u"log*.txt"_q}).size(), 1);
}

TEST_F(CliRunChecksTest, BadPortalAddressesAreRefusedByName) {
    // Each form of a bad address is tried by CheckPortalAddress; here, the refusal.
    EXPECT_EQ(run({u"--portal"_q, u"htps://x"_q}), 2);
    EXPECT_TRUE(errors.contains(u"Адрес портала \"htps://x\" не подходит"_q));
    write(u"settings.ini"_q, "[Settings]\r\nPortal=ftp://zakupki.gov.ru\r\n");
    EXPECT_EQ(run({}), 2);
    EXPECT_TRUE(errors.contains(u"Адрес портала \"ftp://zakupki.gov.ru\" не подходит"_q));
    EXPECT_FALSE(QFile::exists(programDir + u"db.s3db"_q)) << "no run was started";
}

TEST_F(CliRunChecksTest, InputThatMakesARunPointlessIsRefused) {
    // A range that ends before it begins.
    EXPECT_EQ(
        run({u"--portal"_q, kDeadPortal, u"--from"_q, u"10.03.2024"_q, u"--to"_q, u"01.03.2024"_q}),
        2);
    EXPECT_TRUE(
        errors.contains(u"Дата окончания периода (01.03.2024) раньше даты начала "
                        u"(10.03.2024)"_q));
    // Thread counts that are no number of threads.
    for (const QString& threads : {u"abc"_q, u"0"_q, u"1001"_q}) {
        EXPECT_EQ(run({u"--threads"_q, threads}), 2);
        EXPECT_TRUE(errors.contains(u"Ошибка в параметрах: --threads "_q + threads))
            << threads.toStdString();
    }
    // A list without one valid INN: each line is named, then the refusal.
    write(u"INNs.txt"_q, "7707083894\r\nИНН: 7707083893\r\n");
    EXPECT_EQ(run({u"--portal"_q, kDeadPortal}), 2);
    EXPECT_TRUE(
        errors.contains(u"Строка 1 списка ИНН: \"7707083894\" — неверные контрольные "
                        u"цифры ИНН"_q));
    EXPECT_TRUE(errors.contains(u"Строка 2 списка ИНН: "_q));
    EXPECT_TRUE(errors.contains(u"В списке ИНН нет ни одного верного ИНН"_q));
    EXPECT_FALSE(QFile::exists(programDir + u"db.s3db"_q)) << "no run was started";
}

TEST_F(CliRunChecksTest, ProxiesOnNeverMeanDirectRequests) {
    write(u"proxy.txt"_q, "not a proxy\r\nhost:8080;user\r\n");
    EXPECT_EQ(run({u"--portal"_q, kDeadPortal, u"--proxy"_q}), 2);
    EXPECT_TRUE(errors.contains(u"Строка 1 файла proxy.txt: \"not a proxy\""_q));
    EXPECT_TRUE(errors.contains(u"Строка 2 файла proxy.txt: \"host:8080;user\""_q));
    EXPECT_TRUE(errors.contains(u"Включена работа через прокси, но в файле "_q));

    // A bare host:port is a proxy: the run goes through it (and finds nothing there).
    write(u"proxy.txt"_q, "not a proxy\r\n127.0.0.1:9\r\n");
    EXPECT_EQ(run({u"--portal"_q, kDeadPortal, u"--proxy"_q}), 1);
    EXPECT_TRUE(output.contains(u": Строка 1 файла proxy.txt: \"not a proxy\""_q));
    EXPECT_FALSE(output.contains(u"Строка 2 файла proxy.txt"_q));
    EXPECT_TRUE(
        output.contains(u"Проверьте адрес портала, подключение к интернету и настройки "
                        u"прокси"_q));
}

TEST_F(CliRunChecksTest, DamagedDatabaseIsMovedAsideOnlyWhenAsked) {
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 131 + 7) % 251);
    write(u"db.s3db"_q, noise);
    write(u"db.s3db-journal"_q, "old journal");

    // Refused before the run: a usage error, as every refusal before a run.
    EXPECT_EQ(run({u"--portal"_q, kDeadPortal}), 2);
    EXPECT_TRUE(errors.contains(u"повреждён или не является базой данных этой программы"_q));
    EXPECT_TRUE(errors.contains(u"--move-damaged-db"_q));
    EXPECT_EQ(read(u"db.s3db"_q), noise);

    EXPECT_EQ(run({u"--portal"_q, kDeadPortal, u"--move-damaged-db"_q}), 1);
    const QStringList moved = QDir(dir.path()).entryList({u"db.s3db.damaged-*"_q});
    ASSERT_EQ(moved.size(), 2) << moved.join(u' ').toStdString();
    EXPECT_TRUE(QRegularExpression(u"^db\\.s3db\\.damaged-\\d{8}-\\d{6}$"_q)
                    .match(moved.first())
                    .hasMatch());
    EXPECT_EQ(read(moved.first()), noise);
    EXPECT_EQ(read(moved.first() + u"-journal"_q), "old journal");
    EXPECT_TRUE(output.contains(u": Начинаем работу..."_q)) << "the run went on with a new base";
    EXPECT_TRUE(read(u"db.s3db"_q).startsWith("SQLite format 3"));
}

TEST_F(CliRunChecksTest, HelpOfTheRunCommand) {
    for (const QString& option : {u"--help"_q, u"-h"_q}) {
        EXPECT_EQ(run({option}), 0);
        EXPECT_TRUE(output.startsWith(u"Использование: contract-finder-cli"_q));
        EXPECT_TRUE(output.contains(u"--move-damaged-db"_q));
        EXPECT_TRUE(output.contains(u"--by-inn"_q));
        // The options only tests use are not offered.
        EXPECT_FALSE(output.contains(u"--loop-sleep-ms"_q));
        EXPECT_FALSE(output.contains(u"--request-time-limit-ms"_q));
    }
    // Every option the help names is in the manual page, and the page names no other.
    QFile manual(QStringLiteral(CF_SOURCE_DIR "/package/contract-finder-cli.1"));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(manual.readAll()).replace(u"\\-"_q, u"-"_q);
    const QRegularExpression optionName(u"--[a-z][a-z-]*"_q);
    QSet<QString> inHelp, inPage;
    for (const auto& match : optionName.globalMatch(output))
        inHelp << match.captured();
    for (const auto& match : optionName.globalMatch(page))
        inPage << match.captured();
    inHelp.remove(u"--help"_q);
    inPage.remove(u"--help"_q);
    EXPECT_EQ(inPage, inHelp);
}

TEST_F(CliRunChecksTest, ABadOptionOrValueIsAUsageError) {
    const QList<QStringList> refused = {{u"--interval"_q, u"abc"_q},
                                        {u"--interval"_q, u"-5"_q},
                                        {u"--loop-sleep-ms"_q, u"x"_q},
                                        {u"--request-time-limit-ms"_q, u"0"_q},
                                        {u"--from"_q, u"2024-03-01"_q},
                                        {u"--no-such-option"_q},
                                        {u"--proxy=yes"_q},
                                        {u"--threads"_q}};
    for (const QStringList& options : refused) {
        EXPECT_EQ(run(options), 2) << options.join(u' ').toStdString();
        EXPECT_TRUE(errors.startsWith(u"Ошибка в параметрах: "_q)) << errors.toStdString();
    }
    EXPECT_TRUE(errors.contains(u"для --threads нужно значение"_q));
    EXPECT_FALSE(QFile::exists(programDir + u"db.s3db"_q)) << "no run was started";
}

TEST_F(CliRunChecksTest, AMissingFolderOrListIsNamed) {
    const QString missing = dir.path() + u"/нет-такой"_q;
    QProcess cli;
    cli.start(QStringLiteral(CF_CLI_PATH), {u"run"_q, u"--dir"_q, missing});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError())
                    .contains(u"Папка программы "_q + missing + u" не найдена"_q));
    EXPECT_FALSE(QFileInfo::exists(missing)) << "no folder was made up";

    QFile::remove(programDir + u"INNs.txt"_q);
    EXPECT_EQ(run({u"--portal"_q, kDeadPortal}), 2);
    EXPECT_TRUE(errors.contains(u"Задайте список ИНН: нет файла "_q + programDir + u"INNs.txt"_q))
        << errors.toStdString();
}
