// "contract-finder-cli contracts" and "report" over what a real run of the
// console front end stored from the synthetic portal.
#include "replica/PortalReplica.h"
#include "replica/SyntheticContracts.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/CliCrawlRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

namespace {

const QString kInn = u"7707083893"_q;

struct CliResult {
    int code = -1;
    QString out, err;
};

CliResult runCli(const QStringList& arguments) {
    QProcess cli;
    cli.start(QStringLiteral(CF_CLI_PATH), arguments);
    CliResult result;
    if (!cli.waitForFinished(300000)) return result;
    result.code = cli.exitCode();
    result.out = QString::fromUtf8(cli.readAllStandardOutput());
    result.err = QString::fromUtf8(cli.readAllStandardError());
    return result;
}

class CliContractsTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        ASSERT_TRUE(WriteInnList(dir.path(), {kInn}));
    }
    int crawl(const QString& folder) {
        CliCrawlRun run(folder, replica.baseUrl(), u"01.03.2024"_q, u"05.03.2024"_q);
        run.threads = 2;
        return RunCliCrawl(run, output);
    }
    // The portal's contracts whose card names the INN as a supplier.
    std::vector<const SyntheticContract*> ofInn() const {
        std::vector<const SyntheticContract*> found;
        for (const SyntheticContract& c : portal.contracts()) {
            for (const std::string& inn : c.expectedInns) {
                if (QString::fromStdString(inn) == kInn) found.push_back(&c);
            }
        }
        return found;
    }
    QStringList tsvRows(const QStringList& more = {}) {
        const CliResult r =
            runCli(QStringList{u"contracts"_q, u"--dir"_q, dir.path(), u"--tsv"_q} + more);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
        if (!rows.isEmpty()) rows.removeFirst();  // the header
        lastTotals = r.err.trimmed();
        return rows;
    }

    PortalReplica replica;
    QTemporaryDir dir;
    QString output;
    QString lastTotals;
    SyntheticPortal portal{replica, [] {
                               SyntheticPortalConfig config;
                               config.seed = 11;
                               config.firstDay = QDate(2024, 3, 1);
                               config.lastDay = QDate(2024, 3, 5);
                               config.contracts44 = 6;
                               config.contractsCapital = 2;
                               config.contracts223 = 0;
                               config.ocrContracts = 0;
                               config.frequentSupplierInn = "7707083893";
                               config.frequentSupplierContracts = 7;
                               return config;
                           }()};
};

}  // namespace

TEST_F(CliContractsTest, ListsEveryStoredContractOfTheInnWithTotalsAlsoAfterARunWithNothingNew) {
    ASSERT_EQ(crawl(dir.path()), 0) << output.right(2000).toStdString();
    const auto expected = ofInn();
    ASSERT_GE(expected.size(), 7u);
    double sum = 0;
    for (const SyntheticContract* c : expected)
        sum += c->expectedAmount;

    QStringList rows = tsvRows();
    ASSERT_EQ(rows.size(), int(expected.size()));
    for (const SyntheticContract* c : expected) {
        const QString url = QString::fromStdString(portal.cardUrl(*c));
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const QString& r) {
            return r.split(u'\t').value(2) == url;
        });
        ASSERT_NE(row, rows.end()) << url.toStdString();
        const QStringList fields = row->split(u'\t');
        EXPECT_EQ(fields[0], kInn);
        EXPECT_EQ(fields[7], QString::fromStdString(SyntheticCustomerName(*c)));
        EXPECT_EQ(fields[9], u"да"_q);  // written by the run's report
    }
    EXPECT_TRUE(lastTotals.startsWith(u"Итого: %1 "_q.arg(expected.size())))
        << lastTotals.toStdString();
    EXPECT_TRUE(lastTotals.contains(QString::number(qint64(sum) % 1000)))
        << lastTotals.toStdString();

    // A second run finds nothing new: all are still listed, none as new. (Its
    // report stage must not share the first one's second, and so its name.)
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_EQ(crawl(dir.path()), 0);
    EXPECT_EQ(tsvRows().size(), int(expected.size()));
    EXPECT_EQ(tsvRows({u"--new"_q}).size(), 0);
    EXPECT_EQ(tsvRows({u"--registry"_q, u"223"_q}).size(), 0);
    EXPECT_EQ(tsvRows({u"--from"_q, u"06.03.2024"_q}).size(), 0);

    for (const QStringList& bad :
         {QStringList{u"--registry"_q, u"99"_q}, QStringList{u"--inn"_q, u"12ab"_q},
          QStringList{u"--from"_q, u"32.01.2024"_q}, QStringList{u"--all"_q, u"--new"_q},
          QStringList{u"--group"_q, u"Нет такой"_q}, QStringList{u"--bogus"_q}}) {
        const CliResult r = runCli(QStringList{u"contracts"_q, u"--dir"_q, dir.path()} + bad);
        EXPECT_EQ(r.code, 2) << bad.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"Ошибка в параметрах"_q)) << r.err.toStdString();
    }
}

// What a run stored but never reported (it was stopped or killed) is reported
// by "report", in files marked partial, and a following run does not repeat it.
TEST_F(CliContractsTest, ReportOverWhatIsStoredIsNotRepeatedByTheNextRun) {
    QTemporaryDir other;
    ASSERT_TRUE(WriteInnList(other.path(), {kInn}));
    ASSERT_EQ(crawl(other.path()), 0);
    ASSERT_TRUE(QFile::copy(other.path() + u"/db.s3db"_q, dir.path() + u"/db.s3db"_q));

    const CliResult report = runCli({u"report"_q, u"--dir"_q, dir.path()});
    ASSERT_EQ(report.code, 0) << report.err.toStdString();
    const QStringList partial = QDir(dir.path()).entryList({u"*_частичный.tab"_q});
    ASSERT_EQ(partial.size(), 1) << report.out.toStdString();
    QFile tab(dir.path() + u"/"_q + partial[0]);
    ASSERT_TRUE(tab.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(tab.readAll()).count(u"\r\n"_q), int(ofInn().size()) + 1);
    EXPECT_EQ(QDir(dir.path()).entryList({u"*_частичный.xlsx"_q}).size(), 1);

    replica.clearLog();
    ASSERT_EQ(crawl(dir.path()), 0);
    EXPECT_EQ(QDir(dir.path()).entryList({u"*.tab"_q}).size(), 1);  // no new report file
    EXPECT_EQ(output.count(u"ссылка уже выводилась, пропускаем"_q), int(ofInn().size()));
}

// A folder named by --dir is never made: a typing error would start an empty
// database and report from it.
TEST(CliContracts, AMissingFolderIsAUsageErrorAndIsNotCreated) {
    QTemporaryDir parent;
    const QString missing = parent.path() + u"/нет-такой"_q;
    for (const QString& command : {u"contracts"_q, u"report"_q}) {
        const CliResult r = runCli({command, u"--dir"_q, missing});
        EXPECT_EQ(r.code, 2) << command.toStdString();
        EXPECT_TRUE(r.err.contains(u"не найдена (параметр --dir)"_q)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(missing)) << command.toStdString();
    }
}
