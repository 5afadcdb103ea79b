// The search by INN of the console front end, run as the program itself against the synthetic
// portal: the same report as a full crawl for every contract whose card shows a listed INN, none
// of the contracts only a commission protocol names, and nothing fetched twice.
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "replica/SyntheticSearch.h"
#include "tests/app/CliCrawlRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

namespace {

const std::string kFrequentInn = "7712345671";

SyntheticPortalConfig PortalWithAFrequentSupplier() {
    SyntheticPortalConfig config;
    config.seed = 11;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 10);
    config.contracts44 = 30;
    config.contractsCapital = 10;
    config.contracts223 = 20;
    config.ocrContracts = 0;
    // Enough for its search by INN to report 1000 records and be split by date.
    config.frequentSupplierInn = kFrequentInn;
    config.frequentSupplierContracts = 1000;
    return config;
}

class ByInnCrawlTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        for (const SyntheticContract& contract : portal.contracts()) {
            if (contract.route == SyntheticRoute::SupplierList && listedInn.empty())
                listedInn = contract.inns.back();
            if (contract.route == SyntheticRoute::Protocol && protocolInn.empty())
                protocolInn = contract.inns.front();
        }
        ASSERT_FALSE(listedInn.empty() || protocolInn.empty());
        inns = {kFrequentInn, listedInn, protocolInn};
    }

    // The INN list: each INN in a group of its own, so each has its own report file.
    void writeInnList(const QTemporaryDir& dir) const {
        QStringList lines;
        for (std::size_t i = 0; i < inns.size(); ++i)
            lines << u"G"_q + QString::number(i) + u'\t' + QString::fromStdString(inns[i]);
        ASSERT_TRUE(WriteInnList(dir.path(), lines));
    }

    // Runs "contract-finder-cli run" to its end over the folder; gives its exit code.
    int runCli(const QTemporaryDir& dir, bool byInn, const QString& from = u"01.03.2024"_q) {
        CliCrawlRun run(dir.path(), replica.baseUrl(), from, u"10.03.2024"_q);
        run.threads = 4;
        run.loopSleepMs = 1;
        if (byInn) run.extraArguments << u"--by-inn"_q;
        return RunCliCrawl(run, output);
    }

    // The data lines of the group's report files, sorted; none when it has no report.
    static QStringList reportLines(const QTemporaryDir& dir, std::size_t group) {
        QStringList lines;
        const QDir folder(dir.path() + u"/G"_q + QString::number(group));
        for (const QString& name : folder.entryList({u"*.tab"_q}, QDir::Files)) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                lines << QString::fromUtf8(file.readAll()).split(u"\r\n"_q).mid(1);
        }
        lines.removeAll(QString());
        lines.sort();
        return lines;
    }

    // The card paths the replica was asked for since its log was last cleared.
    std::set<std::string> cardsRequested() const {
        std::set<std::string> cards;
        for (const auto& request : replica.requests()) {
            const std::string target = request.path + "?" + request.query;
            if (paths.count(target)) cards.insert(target);
        }
        return cards;
    }

    // The cards the supplier filter lists for the listed INNs (those naming one of them on the
    // card or its supplier page).
    std::set<std::string> searchableCards() const {
        std::set<std::string> cards;
        for (const std::string& inn : inns) {
            for (const SyntheticContract* contract : portal.supplierSearch(inn).found)
                cards.insert(contract->cardPath);
        }
        return cards;
    }

    // Requests the replica had for a registry's search path since its log was last cleared.
    int searchRequests(const std::string& path) const {
        int count = 0;
        for (const auto& request : replica.requests())
            count += request.path == path ? 1 : 0;
        return count;
    }

    PortalReplica replica;
    SyntheticPortal portal{replica, PortalWithAFrequentSupplier()};
    std::set<std::string> paths = [this] {
        std::set<std::string> all;
        for (const SyntheticContract& contract : portal.contracts())
            all.insert(contract.cardPath);
        return all;
    }();
    std::string listedInn, protocolInn;
    std::vector<std::string> inns;
    QString output;
};

}  // namespace

TEST_F(ByInnCrawlTest, ReportsWhatAFullCrawlReportsSaveProtocolOnlyContracts) {
    QTemporaryDir full, fast;
    writeInnList(full);
    writeInnList(fast);
    ASSERT_EQ(runCli(full, false), 0) << output.right(2000).toStdString();
    replica.clearLog();
    ASSERT_EQ(runCli(fast, true), 0) << output.right(2000).toStdString();

    EXPECT_EQ(cardsRequested(), searchableCards());
    int at = -1;
    for (const std::string& inn : inns) {
        const int line = static_cast<int>(output.indexOf(
            u": Поиск по ИНН "_q + QString::fromStdString(inn) + u": 223-ФЗ, капремонт, 44-ФЗ"_q));
        EXPECT_GT(line, at) << inn;
        at = line;
    }
    EXPECT_TRUE(output.contains(
        u": Разбиваем длинный интервал на несколько мелких, с текущей ссылки контракты не собираем."_q));
    // The supplier filter, never the free-text search, which finds customers' INNs.
    EXPECT_TRUE(output.contains(u"morphology=on&supplierTitle="_q +
                                QString::fromStdString(kFrequentInn) + u"&search-filter="_q));
    EXPECT_TRUE(output.contains(u"morphology=on&subContractNameInn="_q));
    EXPECT_FALSE(output.contains(u"searchString="_q));
    // The account: per INN what each registry's search found and read, and what it misses.
    EXPECT_TRUE(output.contains(u": Поиск по ИНН "_q + QString::fromStdString(kFrequentInn) +
                                u" — 223-ФЗ: поиск нашёл 0; капремонт: поиск нашёл 0; 44-ФЗ: "_q));
    EXPECT_TRUE(
        output.contains(u"44-ФЗ: поиск нашёл 1000, прочитано 1000, поставщик с этим ИНН в "
                        u"1000"_q));
    EXPECT_EQ(output.count(u"только в протоколе комиссии (PDF): их находит только полный обход"_q),
              1);
    EXPECT_FALSE(output.contains(u"не отбирает поставщиков"_q));

    EXPECT_EQ(reportLines(fast, 0).size(), 1000);
    EXPECT_EQ(reportLines(fast, 0), reportLines(full, 0));
    EXPECT_FALSE(reportLines(fast, 1).isEmpty());
    EXPECT_EQ(reportLines(fast, 1), reportLines(full, 1));
    // The protocol's INN: the full crawl reads it from the PDFs, the search cannot find it.
    EXPECT_FALSE(reportLines(full, 2).isEmpty());
    EXPECT_TRUE(reportLines(fast, 2).isEmpty());
    for (const SyntheticContract& contract : portal.contracts()) {
        const auto& held = contract.expectedInns;
        if (std::find(held.begin(), held.end(), protocolInn) == held.end()) continue;
        EXPECT_EQ(contract.route, SyntheticRoute::Protocol);
        const QString url = QString::fromStdString(portal.cardUrl(contract));
        EXPECT_FALSE(reportLines(full, 2).filter(url).isEmpty()) << contract.cardPath;
    }
}

TEST_F(ByInnCrawlTest, SecondRunFetchesNoStoredCard) {
    QTemporaryDir dir;
    writeInnList(dir);
    ASSERT_EQ(runCli(dir, true), 0) << output.right(2000).toStdString();
    replica.clearLog();
    ASSERT_EQ(runCli(dir, true), 0) << output.right(2000).toStdString();
    EXPECT_TRUE(cardsRequested().empty());
    EXPECT_EQ(output.count(u": URL обработан ранее: "_q),
              static_cast<int>(searchableCards().size()));
    EXPECT_TRUE(
        output.contains(u"44-ФЗ: поиск нашёл 1000, прочитано 0 (ещё 1000 уже были в базе), "
                        u"поставщик с этим ИНН в 1000"_q));
}

// A portal that ignores the supplier filter answers every INN's search with the whole registry.
// The large registry costs one request more and is not walked; the small ones are, and their
// cards show the filter selects nothing: both are said.
TEST_F(ByInnCrawlTest, AFilterThePortalIgnoresIsCaughtAndSaid) {
    portal.setIgnoreSupplierFilter(true);
    QTemporaryDir dir;
    writeInnList(dir);
    replica.clearLog();
    ASSERT_EQ(runCli(dir, true), 0) << output.right(2000).toStdString();
    // One start search per INN and the registry's unfiltered total: no split, no page walked.
    EXPECT_EQ(searchRequests("/epz/contract/search/results.html"),
              static_cast<int>(inns.size()) + 1);
    EXPECT_EQ(output.count(u"не применяет фильтр по поставщику в реестре 44-ФЗ"_q),
              2);  // log, account
    EXPECT_FALSE(output.contains(u"Разбиваем длинный интервал"_q));
    EXPECT_TRUE(output.contains(u"поиск нашёл 1030 — портал не применил фильтр, не обходили"_q));
    // 223-FZ: 20 cards listed for each INN, at most one of them the INN's own.
    EXPECT_TRUE(
        output.contains(u"Фильтр портала по поставщику, похоже, не отбирает поставщиков в "
                        u"реестре 223-ФЗ"_q));
    EXPECT_TRUE(output.contains(u"SupplierFilter223 в settings.ini"_q));
}

// With «от» unset, a registry of more than 1000 records was once lost whole: its search could not
// be split by date. It is split from the earliest conclusion date and collected in full.
TEST_F(ByInnCrawlTest, AnOpenStartDateStillCollectsALargeRegistry) {
    QTemporaryDir open, dated;
    writeInnList(open);
    writeInnList(dated);
    ASSERT_EQ(runCli(dated, false), 0) << output.right(2000).toStdString();
    ASSERT_EQ(runCli(open, false, QString()), 0) << output.right(2000).toStdString();
    EXPECT_TRUE(output.contains(u"contractDateFrom=01.01.2012&contractDateTo="_q));
    EXPECT_FALSE(output.contains(u"Ошибка при обработке данных"_q));
    EXPECT_TRUE(output.contains(u"Итог работы: сбор данных завершён\n"_q));
    EXPECT_EQ(reportLines(open, 0).size(), 1000);
    for (std::size_t group = 0; group < inns.size(); ++group)
        EXPECT_EQ(reportLines(open, group), reportLines(dated, group)) << group;
}
