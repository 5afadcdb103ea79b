#include "replica/SyntheticPortal.h"

#include "crawl/StartSearches.h"
#include "replica/CardMarkup.h"
#include "replica/PortalReplica.h"
#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticCardMarkup.h"
#include "replica/SyntheticContracts.h"
#include "replica/SyntheticRoutes.h"
#include "replica/SyntheticSearch.h"
#include "tests/crawl/ResultListRun.h"
#include "tests/replica/SyntheticWalk.h"
#include "tests/support/TestSupport.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

namespace {

const QString kSplitLine =
    u"Разбиваем длинный интервал на несколько мелких, с текущей ссылки контракты не собираем."_q;

SyntheticPortalConfig YearOf2023(int contracts44) {
    SyntheticPortalConfig config;
    config.firstDay = QDate(2023, 1, 1);
    config.lastDay = QDate(2023, 12, 31);
    config.contracts44 = contracts44;
    return config;
}

class SyntheticPortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        SetPortalBase(QString::fromStdString(replica.baseUrl()));
    }

    QStringList cardUrls(const SyntheticPortal& portal,
                         const std::vector<const SyntheticContract*>& contracts) const {
        QStringList urls;
        for (const SyntheticContract* contract : contracts)
            urls << QString::fromStdString(portal.cardUrl(*contract));
        return urls;
    }

    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }

    PortalReplica replica;
    Client client;
};

QString Start44(const char* from, const char* to) {
    return BuildStartAddress(PortalRegistry::Contracts44, QString::fromUtf8(from),
                             QString::fromUtf8(to));
}

}  // namespace

TEST_F(SyntheticPortalTest, SmallSearchQueuesItsCardsAndTheNextPage) {
    SyntheticPortal portal(replica, YearOf2023(120));
    const auto listed = portal.contractsOf(PortalRegistry::Contracts44);
    const QString start = Start44("01.01.2023", "31.12.2023");
    ResultListRun first;
    first.parse(start, client.get(start));
    EXPECT_EQ(first.log, QStringList{start + u"\r\nНашлось 120 записей"_q});
    QStringList expected = cardUrls(portal, {listed.begin(), listed.begin() + 50});
    expected << NextPageAddress(start, u"2"_q);
    EXPECT_EQ(first.jobs(), expected);
    EXPECT_EQ(first.tendersCounter, 50);

    ResultListRun last;  // page 3 of 3: its 20 cards and no next page
    const QString third = NextPageAddress(start, u"3"_q);
    last.parse(third, client.get(third));
    EXPECT_EQ(last.jobs(), cardUrls(portal, {listed.begin() + 100, listed.end()}));
}

TEST_F(SyntheticPortalTest, ThousandRecordsAreSplitByDateAndNineHundredNinetyNineWalked) {
    const QString start = Start44("01.01.2023", "31.12.2023");
    SyntheticPortal thousand(replica, YearOf2023(1000));
    ResultListRun split;
    split.parse(start, client.get(start));
    ASSERT_EQ(split.log.size(), 2);
    EXPECT_EQ(split.log[1], kSplitLine);
    EXPECT_EQ(split.tendersCounter, 0);
    ASSERT_EQ(split.jobs().size(), 2);  // 1000 / 1000 + 1 intervals
    for (const QString& job : split.jobs()) {
        EXPECT_TRUE(IsFirstPage(job) && job.contains(u"&contractDateFrom="_q)) << job.toStdString();
    }

    SyntheticPortal below(replica, YearOf2023(999));  // replaces the handlers
    ResultListRun walked;
    walked.parse(start, client.get(start));
    EXPECT_FALSE(walked.log.contains(kSplitLine));
    EXPECT_EQ(walked.tendersCounter, 50);
    EXPECT_EQ(walked.jobs().size(), 51);
}

TEST_F(SyntheticPortalTest, WalkingEachRegistryYieldsEveryContractOnce) {
    SyntheticPortalConfig config = YearOf2023(130);
    config.contractsCapital = 20;
    config.contracts223 = 70;
    SyntheticPortal portal(replica, config);
    for (PortalRegistry registry : kStartOrder) {
        const auto listed = portal.contractsOf(registry);
        ResultListRun run;
        const Walk walk =
            WalkSearch(client, run, BuildStartAddress(registry, u"01.01.2023"_q, u"31.12.2023"_q));
        EXPECT_EQ(walk.cards, cardUrls(portal, listed));  // in listing order, each once
        const std::size_t pages = (listed.size() + 49) / 50;
        EXPECT_EQ(walk.pages.size(), static_cast<qsizetype>(pages));
        EXPECT_EQ(portal.requestCount(RegistryInfo(registry).searchPath.toStdString()), pages);
    }
    const auto& all = portal.contracts();
    const auto absolute = std::count_if(all.begin(), all.end(),
                                        [](const auto& contract) { return contract.absoluteLink; });
    EXPECT_GT(absolute, 0);  // both kinds of link were read
    EXPECT_LT(absolute, static_cast<long>(all.size()));
}

TEST_F(SyntheticPortalTest, CrowdedDayIsSplitByPriceAndEveryContractListedOnce) {
    SyntheticPortalConfig config = YearOf2023(60);
    const QDate crowded(2023, 6, 15);
    config.crowdedDays = {{crowded, 1100}};
    SyntheticPortal portal(replica, config);
    const auto listed = portal.contractsOf(PortalRegistry::Contracts44);
    std::vector<const SyntheticContract*> ofTheDay;
    std::copy_if(listed.begin(), listed.end(), std::back_inserter(ofTheDay),
                 [&](const auto* contract) { return contract->concluded == crowded; });

    ResultListRun day;
    const Walk dayWalk = WalkSearch(client, day, Start44("15.06.2023", "15.06.2023"));
    EXPECT_TRUE(day.log.contains(kSplitLine));
    EXPECT_TRUE(dayWalk.pages.filter(u"&contractPriceFrom="_q).size() >= 10);
    EXPECT_EQ(sorted(dayWalk.cards), sorted(cardUrls(portal, ofTheDay)));

    ResultListRun year;  // split by date down to the day, then by price
    const Walk yearWalk = WalkSearch(client, year, Start44("01.01.2023", "31.12.2023"));
    EXPECT_EQ(sorted(yearWalk.cards), sorted(cardUrls(portal, listed)));
}

TEST_F(SyntheticPortalTest, EmptySearchGivesTheNoResultsLine) {
    SyntheticPortal portal(replica, YearOf2023(30));
    const QString start = Start44("01.01.2030", "31.12.2030");
    const QString page = client.get(start);
    EXPECT_TRUE(page.contains(u">Поиск не дал результатов<"_q));
    EXPECT_FALSE(page.contains(u"search-results__total"_q));
    ResultListRun run;
    run.parse(start, page);
    EXPECT_EQ(run.log,
              QStringList{u"Поиск с данными параметрами не дал результатов: "_q + start + "\r\n"});
    EXPECT_TRUE(run.jobs().isEmpty());
}

TEST_F(SyntheticPortalTest, OnlyTheFirstPagesAreShown) {
    SyntheticPortalConfig config = YearOf2023(150);
    config.maxPagesShown = 2;
    SyntheticPortal portal(replica, config);
    const QString start = Start44("01.01.2023", "31.12.2023");
    const QString second = client.get(NextPageAddress(start, u"2"_q));
    EXPECT_FALSE(second.contains(u"arrow-prime.svg\" alt=\"\">"_q));  // no arrow on the last
    EXPECT_TRUE(second.contains(u"150 записей"_q));
    // A page past the last answers page 1, as the portal does.
    EXPECT_EQ(client.get(NextPageAddress(start, u"3"_q)), client.get(start));
    ResultListRun run;
    EXPECT_EQ(WalkSearch(client, run, start).cards.size(), 100);
}

TEST_F(SyntheticPortalTest, CardPagesCarryTheirContract) {
    SyntheticPortalConfig config = YearOf2023(20);
    config.contracts223 = 10;
    SyntheticPortal portal(replica, config);
    for (const SyntheticContract& contract : portal.contracts()) {
        long status = 0;
        const std::string card = client.get(portal.cardUrl(contract), &status);
        EXPECT_EQ(status, 200);
        const std::string firstWord = contract.subject.substr(0, contract.subject.find(' '));
        EXPECT_NE(card.find(EscapeHtml(firstWord)), std::string::npos);
        EXPECT_NE(card.find(CardPriceText(contract.price, 0)), std::string::npos);
        EXPECT_NE(card.find(contract.concluded.toString(u"dd.MM.yyyy").toStdString()),
                  std::string::npos);
        EXPECT_NE(card.find(contract.executionEnd.toString(u"dd.MM.yyyy").toStdString()),
                  std::string::npos);
        if (contract.route == SyntheticRoute::Card) {
            for (const std::string& inn : contract.inns)
                EXPECT_NE(card.find(inn), std::string::npos) << inn;
        }
    }
    long status = 0;
    client.get(replica.baseUrl() + "/epz/contract/contractCard/common-info.html?reestrNumber=1",
               &status);
    EXPECT_EQ(status, 404);
    EXPECT_EQ(portal.requestCount("/epz/contract/contractCard/common-info.html"), 21u);
}

// Each 223-FZ card's route, walked by hand: supplier-info page, or notice, documents page and
// the protocol's download, which is the committed fixture.
TEST_F(SyntheticPortalTest, Card223RoutesLeadToTheirSuppliers) {
    SyntheticPortalConfig config = YearOf2023(0);
    config.contractsCapital = 0;
    config.contracts223 = 10;
    SyntheticPortal portal(replica, config);
    const std::string base = replica.baseUrl();
    for (const SyntheticContract& contract : portal.contracts()) {
        const std::string card = client.get(portal.cardUrl(contract));
        const std::string id = contract.cardPath.substr(contract.cardPath.rfind('=') + 1);
        const std::string supplierList =
            client.get(base + kSupplierListPath + "?id=" + id + "&amp;viewMode=FULL");
        const std::string notice =
            client.get(base + kNoticePath + "?purchaseNoticeNumber=" + contract.noticeNumber);
        const bool protocol = contract.route == SyntheticRoute::Protocol ||
                              contract.route == SyntheticRoute::ScannedProtocol;
        EXPECT_EQ(card.find("supplier-info.html?id=" + id) != std::string::npos,
                  contract.route == SyntheticRoute::SupplierList);
        EXPECT_EQ(card.find("Позиция плана закупки") != std::string::npos,
                  contract.route == SyntheticRoute::PlanPosition);
        EXPECT_EQ(card.find("?purchaseNoticeNumber=" + contract.noticeNumber) != std::string::npos,
                  protocol);
        for (const std::string& inn : contract.inns) {
            EXPECT_EQ(supplierList.find(inn) != std::string::npos,
                      contract.route == SyntheticRoute::SupplierList);
        }
        EXPECT_EQ(notice.find("documents.html?purchaseNoticeNumber=" + contract.noticeNumber) !=
                      std::string::npos,
                  protocol);
        if (!protocol) continue;
        const std::string documents =
            client.get(base + kDocumentsPath + "?purchaseNoticeNumber=" + contract.noticeNumber);
        const std::string uid = SyntheticProtocolUid(contract);
        EXPECT_NE(documents.find("/download/download.html?uid=" + uid), std::string::npos);
        std::ifstream fixture(
            TestSupport::dataPath(QString::fromStdString("documents/" + contract.protocolFile))
                .toStdString(),
            std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(fixture), {}};
        EXPECT_EQ(client.get(base + "/download/download.html?uid=" + uid), bytes);
        EXPECT_EQ(contract.expectedInns, ProtocolFixtureInns(contract.protocolFile));
    }
    EXPECT_EQ(portal.requestCount(kSupplierListPath), 10u);
}

TEST_F(SyntheticPortalTest, ResultPagesCarryThePortalsMarkup) {
    SyntheticPortal portal(replica, YearOf2023(60));
    const QString page = client.get(Start44("01.01.2023", "31.12.2023"));
    EXPECT_TRUE(page.contains(u"<div class=\"search-results__total\">\n"_q));
    EXPECT_EQ(page.count(u"<div class=\"search-registry-entry-block box-shadow-search-input\">"_q),
              50);
    EXPECT_TRUE(page.contains(u"page__link page__link_active\" href=\"javascript:goToPage(1)"_q));
    EXPECT_TRUE(page.contains(u"&nbsp;"_q) && page.contains(u" ₽"_q));
    EXPECT_TRUE(page.contains(u"&#034;"_q));      // quotes in customer names
    EXPECT_FALSE(page.contains(u"rotate180"_q));  // no previous-page arrow on the first page
}

TEST(SyntheticContracts, SameSeedGivesTheSameContracts) {
    PortalReplica one, two, three;
    SyntheticPortalConfig config = YearOf2023(40);
    const SyntheticPortal a(one, config), b(two, config);
    config.seed = 2;
    const SyntheticPortal c(three, config);
    ASSERT_EQ(a.contracts().size(), b.contracts().size());
    bool differs = false;
    for (std::size_t i = 0; i < a.contracts().size(); ++i) {
        const SyntheticContract &x = a.contracts()[i], &y = b.contracts()[i], &z = c.contracts()[i];
        EXPECT_TRUE(x.cardPath == y.cardPath && x.concluded == y.concluded && x.price == y.price &&
                    x.subject == y.subject && x.inns == y.inns && x.absoluteLink == y.absoluteLink);
        differs = differs || x.cardPath != z.cardPath || x.price != z.price;
    }
    EXPECT_TRUE(differs);
}

TEST(SyntheticContracts, CardsAndSuppliersLookLikeThePortals) {
    PortalReplica replica;
    const SyntheticPortal portal(replica, YearOf2023(60));
    const std::map<PortalRegistry, std::string> kinds = {
        {PortalRegistry::Contracts44, "contractCard/common-info.html?"},
        {PortalRegistry::CapitalRepairs, "general-info.html?"},
        {PortalRegistry::Contracts223, "contract-info.html?"}};
    std::set<std::string> paths;
    for (const SyntheticContract& contract : portal.contracts()) {
        EXPECT_NE(contract.cardPath.find(kinds.at(contract.registry)), std::string::npos);
        EXPECT_TRUE(paths.insert(contract.cardPath).second) << contract.cardPath;
        EXPECT_TRUE(contract.concluded.year() == 2023);
        ASSERT_TRUE(!contract.inns.empty() && contract.inns.size() <= 3);
        for (const std::string& inn : contract.inns)
            EXPECT_TRUE(inn.size() == 10 || inn.size() == 12) << inn;
    }
}

TEST(SyntheticContracts, RoutesTakeTurnsAndSayWhatACrawlFinds) {
    SyntheticPortalConfig config = YearOf2023(3);
    config.contractsCapital = 3;
    config.contracts223 = 15;
    config.ocrContracts = 2;
    std::map<SyntheticRoute, int> routes;
    for (const SyntheticContract& contract : GenerateSyntheticContracts(config)) {
        ++routes[contract.route];
        EXPECT_EQ(contract.expectedAmount, static_cast<double>(contract.price));
        EXPECT_EQ(contract.expectedSubject.find('<'), std::string::npos);
        EXPECT_EQ(contract.expectedConclusion,
                  contract.concluded.toString(u"yyyy-MM-dd").toStdString());
        EXPECT_GT(contract.executionEnd, contract.concluded);
        if (contract.registry == PortalRegistry::CapitalRepairs) {
            EXPECT_EQ(contract.inns.size(), 1u);
        }
        if (contract.route == SyntheticRoute::PlanPosition) {
            EXPECT_TRUE(contract.expectedInns.empty());
        } else {
            EXPECT_FALSE(contract.expectedInns.empty());
            EXPECT_TRUE(std::is_sorted(contract.expectedInns.begin(), contract.expectedInns.end()));
        }
        EXPECT_EQ(contract.route == SyntheticRoute::ScannedProtocol,
                  contract.protocolFile == "protocol_scanned.pdf");
    }
    EXPECT_EQ(routes[SyntheticRoute::Card], 6);
    EXPECT_EQ(routes[SyntheticRoute::SupplierList], 6);
    EXPECT_EQ(routes[SyntheticRoute::Protocol], 4);
    EXPECT_EQ(routes[SyntheticRoute::ScannedProtocol], 2);
    EXPECT_EQ(routes[SyntheticRoute::PlanPosition], 3);
}

TEST(SyntheticSearchFilter, BoundsAreInclusiveAndMissingOnesOpen) {
    SyntheticContract cheap{PortalRegistry::Contracts44, "/a", QDate(2023, 5, 1), 100, {}, {}};
    SyntheticContract dear{PortalRegistry::Contracts44, "/b", QDate(2023, 5, 2), 900, {}, {}};
    const std::vector<const SyntheticContract*> listed = {&cheap, &dear};
    const SyntheticSearch& search = SyntheticSearchOf(PortalRegistry::Contracts44);
    const auto found = [&](std::multimap<std::string, std::string> params) {
        return FilterContracts(listed, ReadSearchFilter(params, search)).size();
    };
    EXPECT_EQ(found({}), 2u);
    EXPECT_EQ(found({{"contractDateFrom", "02.05.2023"}, {"contractDateTo", ""}}), 1u);
    EXPECT_EQ(found({{"contractDateTo", "01.05.2023"}}), 1u);
    EXPECT_EQ(found({{"contractPriceFrom", "100"}, {"contractPriceTo", "100"}}), 1u);
    EXPECT_EQ(found({{"priceFrom", "101"}}), 2u);  // another registry's name: no filter
    EXPECT_EQ(ReadSearchFilter({{"pageNumber", "7"}}, search).page, 7);
}

TEST(ResultPageMarkup, CountsInThePortalsWording) {
    EXPECT_EQ(RecordCountText(1), "1 запись");
    EXPECT_EQ(RecordCountText(21), "21 запись");
    EXPECT_EQ(RecordCountText(3), "3 записи");
    EXPECT_EQ(RecordCountText(5), "5 записей");
    EXPECT_EQ(RecordCountText(11), "11 записей");
    EXPECT_EQ(RecordCountText(112), "112 записей");
    EXPECT_EQ(RecordCountText(1234), "1&nbsp;234 записи");
    EXPECT_EQ(RecordCountText(27512345), "более 27&nbsp;512&nbsp;000 записей");
    // The crawler reads all digits: still a thousand or more exactly when the count is.
    EXPECT_EQ(ReadRecordCount(QString::fromStdString(RecordCountText(10999))), 10000);
    EXPECT_EQ(ReadRecordCount(QString::fromStdString(RecordCountText(999))), 999);
}
