// The synthetic portal's search filters: free text, supplier and stage filters, read from the
// parameters the crawler sends and walked with the crawler's own result-list reader.
#include "replica/SyntheticSearch.h"

#include "crawl/StartSearches.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticContracts.h"
#include "tests/replica/SyntheticWalk.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QUrl>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

namespace {

const QString kSplitLine =
    u"Разбиваем длинный интервал на несколько мелких, с текущей ссылки контракты не собираем."_q;
const QString kNoResults = u"Поиск не дал результатов"_q;

SyntheticPortalConfig YearOf2023() {
    SyntheticPortalConfig config;
    config.firstDay = QDate(2023, 1, 1);
    config.lastDay = QDate(2023, 12, 31);
    config.contracts44 = 40;
    config.contractsCapital = 20;
    config.contracts223 = 25;
    return config;
}

bool ShowsSuppliers(const SyntheticContract& contract) {
    return contract.route == SyntheticRoute::Card || contract.route == SyntheticRoute::SupplierList;
}

// The start address with "name=value" right after "morphology=on&", as the crawler puts it.
QString Start(PortalRegistry registry) {
    return BuildStartAddress(registry, u"01.01.2023"_q, u"31.12.2023"_q);
}

// The start address asking for every stage, in the form the search form sends.
QString AllStages(PortalRegistry registry) {
    QString address = Start(registry);
    switch (registry) {
        case PortalRegistry::Contracts44:
            return address.replace(u"contractStageList_0=on&contractStageList=0"_q,
                                   u"contractStageList_0=on&contractStageList_1=on&"
                                   "contractStageList_2=on&contractStageList_3=on&"
                                   "contractStageList=0%2C1%2C2%2C3"_q);
        case PortalRegistry::CapitalRepairs:
            return address.replace(
                u"contractStage_0=on&contractStage=0"_q,
                u"contractStage_0=on&contractStage_1=on&contractStage_2=on&contractStage=0%2C1%2C2"_q);
        case PortalRegistry::Contracts223:
            break;
    }
    return address.replace(u"statuses_0=on&statuses=0"_q,
                           u"statuses_0=on&statuses_1=on&statuses_2=on&statuses_3=on&"
                           "statuses=0%2C1%2C2%2C3"_q);
}

class SyntheticSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        SetPortalBase(QString::fromStdString(replica.baseUrl()));
    }

    QStringList cardUrls(const SyntheticPortal& portal,
                         const std::vector<const SyntheticContract*>& contracts,
                         std::optional<PortalRegistry> registry = {}) const {
        QStringList urls;
        for (const SyntheticContract* contract : contracts) {
            if (!registry || contract->registry == *registry)
                urls << QString::fromStdString(portal.cardUrl(*contract));
        }
        urls.sort();
        return urls;
    }

    QStringList walk(const QString& start, QStringList* log = nullptr) {
        ResultListRun run;
        Walk found = WalkSearch(client, run, start);
        if (log) *log = run.log;
        found.cards.sort();
        return found.cards;
    }

    PortalReplica replica;
    Client client;
};

const SyntheticContract* FirstOfRoute(const SyntheticPortal& portal, SyntheticRoute route) {
    for (const SyntheticContract* contract : portal.contractsOf(PortalRegistry::Contracts223)) {
        if (contract->route == route) return contract;
    }
    throw std::logic_error("no such route");
}

}  // namespace

TEST(SyntheticSearchText, FindsNumberSubjectAndCustomerNeverASupplier) {
    for (const SyntheticContract& contract : GenerateSyntheticContracts(YearOf2023())) {
        const std::string number = SyntheticContractNumber(contract);
        const std::string& customer = contract.customerInn;
        ASSERT_EQ(customer.size(), 10u);
        EXPECT_EQ(InnWithControlDigits(customer, false), customer);
        if (contract.registry != PortalRegistry::Contracts223) {
            EXPECT_EQ(number.substr(1, 10), customer);  // as in the portal's numbers
        }
        EXPECT_TRUE(CardHoldsText(contract, number) && CardHoldsText(contract, customer) &&
                    CardHoldsText(contract, SyntheticCustomerName(contract)) &&
                    CardHoldsText(contract, contract.subject.substr(0, 12)));
        for (const std::string& inn : contract.inns) {
            const bool elsewhere =
                number.find(inn) != std::string::npos || customer.find(inn) != std::string::npos;
            EXPECT_EQ(CardHoldsText(contract, inn), elsewhere) << inn;
        }
    }
}

TEST(SyntheticSupplierFilter, WholeInnOrPartOfANameOnCardsAndSupplierListsOnly) {
    int shown = 0, hidden = 0;
    for (const SyntheticContract& contract : GenerateSyntheticContracts(YearOf2023())) {
        const bool expected = ShowsSuppliers(contract);
        (expected ? shown : hidden) += 1;
        for (const std::string& inn : contract.inns) {
            const QString name = QString::fromStdString(SyntheticSupplierName(inn));
            EXPECT_EQ(SupplierFilterMatches(contract, inn), expected);
            EXPECT_EQ(SupplierFilterMatches(contract, name.toLower().mid(5).toStdString()),
                      expected);
            EXPECT_FALSE(SupplierFilterMatches(contract, inn.substr(0, inn.size() - 1)));
        }
        EXPECT_TRUE(SupplierFilterMatches(contract, ""));
    }
    EXPECT_GT(shown, 0);
    EXPECT_GT(hidden, 0);
    EXPECT_EQ(SyntheticSupplierName("7712345671"), "ООО \"Поставщик 5671\"");
}

TEST(SyntheticSearchFilter, SupplierAndStagesUnderEachRegistrysNames) {
    const auto read = [](PortalRegistry registry, std::multimap<std::string, std::string> params) {
        return ReadSearchFilter(params, SyntheticSearchOf(registry));
    };
    const auto r44 = PortalRegistry::Contracts44, r223 = PortalRegistry::Contracts223,
               capital = PortalRegistry::CapitalRepairs;
    EXPECT_EQ(read(r44, {{"supplierTitle", "7701234567"}}).supplier, "7701234567");
    EXPECT_EQ(read(r223, {{"supplierTitle", "7701234567"}}).supplier, "7701234567");
    EXPECT_EQ(read(capital, {{"subContractNameInn", "7701234567"}}).supplier, "7701234567");
    EXPECT_EQ(read(capital, {{"supplierTitle", "7701234567"}}).supplier, "");
    EXPECT_EQ(read(r44, {{"contractStageList_0", "on"},
                         {"contractStageList_1", "on"},
                         {"contractStageList", "0,1,2,3"}})
                  .stages,
              (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(read(r223, {{"statuses", "1"}, {"statuses", "3"}}).stages, (std::vector<int>{1, 3}));
    EXPECT_EQ(read(capital, {{"contractStage", "2"}}).stages, std::vector<int>{2});
    EXPECT_TRUE(read(r44, {{"statuses", "1"}, {"contractStageList_1", "on"}}).stages.empty());
    EXPECT_TRUE(read(r223, {{"statuses", ""}}).stages.empty());
}

TEST(SyntheticContracts, OtherStagesTakeTheirShareAndTheRestStaysAsItWas) {
    SyntheticPortalConfig config = YearOf2023();
    const std::vector<SyntheticContract> plain = GenerateSyntheticContracts(config);
    config.otherStageShare = 0.25;
    const std::vector<SyntheticContract> staged = GenerateSyntheticContracts(config);
    ASSERT_EQ(plain.size(), staged.size());
    std::map<PortalRegistry, std::set<int>> stages;
    std::map<PortalRegistry, int> moved;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(plain[i].stage, 0);
        EXPECT_TRUE(plain[i].cardPath == staged[i].cardPath && plain[i].inns == staged[i].inns);
        stages[staged[i].registry].insert(staged[i].stage);
        moved[staged[i].registry] += staged[i].stage != 0;
    }
    EXPECT_EQ(moved[PortalRegistry::Contracts44], 10);
    EXPECT_EQ(moved[PortalRegistry::CapitalRepairs], 5);
    EXPECT_EQ(moved[PortalRegistry::Contracts223], 6);
    EXPECT_EQ(stages[PortalRegistry::Contracts44], (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(stages[PortalRegistry::CapitalRepairs], (std::set<int>{0, 1, 2}));
}

// A frequent supplier's search is split by date and walked with the filter kept; the listed and
// protocol INNs of 223-FZ and a capital repair's contractor are found as the truth says.
TEST_F(SyntheticSearchTest, SupplierFilterListsTheSuppliersCardsAsTheTruthSays) {
    SyntheticPortalConfig config = YearOf2023();
    config.frequentSupplierInn = "7712345671";
    config.frequentSupplierContracts = 1020;
    SyntheticPortal portal(replica, config);
    const auto searched = [&](PortalRegistry registry, const std::string& value,
                              QStringList* log = nullptr) {
        const char* name =
            registry == PortalRegistry::CapitalRepairs ? "subContractNameInn" : "supplierTitle";
        return walk(
            WithQueryParam(Start(registry), QString::fromUtf8(name), QString::fromStdString(value)),
            log);
    };

    QStringList log;
    const SupplierSearchTruth frequent = portal.supplierSearch(config.frequentSupplierInn);
    EXPECT_EQ(frequent.found.size(), 1020u);
    EXPECT_TRUE(frequent.protocolOnly.empty());
    EXPECT_EQ(searched(PortalRegistry::Contracts44, config.frequentSupplierInn, &log),
              cardUrls(portal, frequent.found));
    EXPECT_TRUE(log.contains(kSplitLine));

    const SyntheticContract* listed = FirstOfRoute(portal, SyntheticRoute::SupplierList);
    const std::string listedInn = listed->inns.back();
    EXPECT_EQ(
        searched(PortalRegistry::Contracts223, listedInn),
        cardUrls(portal, portal.supplierSearch(listedInn).found, PortalRegistry::Contracts223));
    EXPECT_TRUE(searched(PortalRegistry::Contracts223, listedInn)
                    .contains(QString::fromStdString(portal.cardUrl(*listed))));
    // By a part of the supplier's name, in small letters.
    const std::string name =
        QString::fromStdString(SyntheticSupplierName(listedInn)).toLower().toStdString();
    EXPECT_TRUE(searched(PortalRegistry::Contracts223, name)
                    .contains(QString::fromStdString(portal.cardUrl(*listed))));

    const SyntheticContract* protocol = FirstOfRoute(portal, SyntheticRoute::Protocol);
    const SupplierSearchTruth protocolInn = portal.supplierSearch(protocol->inns.front());
    EXPECT_TRUE(std::find(protocolInn.protocolOnly.begin(), protocolInn.protocolOnly.end(),
                          protocol) != protocolInn.protocolOnly.end());
    EXPECT_TRUE(protocolInn.found.empty());
    EXPECT_TRUE(client
                    .get(WithQueryParam(Start(PortalRegistry::Contracts223), u"supplierTitle"_q,
                                        QString::fromStdString(protocol->inns.front())))
                    .contains(kNoResults));
    const std::string planInn = FirstOfRoute(portal, SyntheticRoute::PlanPosition)->inns.front();
    EXPECT_TRUE(searched(PortalRegistry::Contracts223, planInn).isEmpty());

    const SyntheticContract* capital = portal.contractsOf(PortalRegistry::CapitalRepairs).front();
    EXPECT_EQ(searched(PortalRegistry::CapitalRepairs, capital->inns.front()),
              cardUrls(portal, portal.supplierSearch(capital->inns.front()).found,
                       PortalRegistry::CapitalRepairs));
    // The 44-FZ name of the filter means nothing to the capital-repair search.
    EXPECT_EQ(walk(WithQueryParam(Start(PortalRegistry::CapitalRepairs), u"supplierTitle"_q,
                                  QString::fromStdString(capital->inns.front())))
                  .size(),
              20);
}

TEST_F(SyntheticSearchTest, FilterMatchingNothingAnswersNoResultsAndAPagePastTheLastPageOne) {
    SyntheticPortalConfig config = YearOf2023();
    config.contracts44 = 120;
    SyntheticPortal portal(replica, config);
    const QString start = Start(PortalRegistry::Contracts44);
    EXPECT_TRUE(client.get(WithQueryParam(start, u"supplierTitle"_q, u"0000000000"_q))
                    .contains(kNoResults));
    const std::string supplier = portal.contractsOf(PortalRegistry::Contracts44).front()->inns[0];
    const QString bySearchString =
        WithQueryParam(start, u"searchString"_q, QString::fromStdString(supplier));
    const auto listed = portal.contractsOf(PortalRegistry::Contracts44);
    const bool held = std::any_of(listed.begin(), listed.end(), [&](const auto* contract) {
        return CardHoldsText(*contract, supplier);
    });
    EXPECT_EQ(client.get(bySearchString).contains(kNoResults), !held);
    // 120 records: pages 1 to 3; page 7 is page 1 again.
    EXPECT_EQ(client.get(NextPageAddress(start, u"7"_q)), client.get(start));
    EXPECT_NE(client.get(NextPageAddress(start, u"3"_q)), client.get(start));
}

TEST_F(SyntheticSearchTest, IgnoringTheSupplierFilterAnswersAsUnfiltered) {
    SyntheticPortalConfig config = YearOf2023();
    config.ignoreSupplierFilter = true;
    SyntheticPortal portal(replica, config);
    const QString start = Start(PortalRegistry::Contracts223);
    const QString filtered = WithQueryParam(start, u"supplierTitle"_q, u"0000000000"_q);
    EXPECT_EQ(client.get(filtered), client.get(start));
    portal.setIgnoreSupplierFilter(false);
    EXPECT_TRUE(client.get(filtered).contains(kNoResults));
    portal.setIgnoreSupplierFilter(true);
    EXPECT_EQ(client.get(filtered), client.get(start));
}

// The default search asks for stage 0 only and finds the contracts in it; asking for every
// stage, or for none, finds them all.
TEST_F(SyntheticSearchTest, StageParametersFilterTheContracts) {
    SyntheticPortalConfig config = YearOf2023();
    config.contracts44 = 70;
    config.otherStageShare = 0.3;
    SyntheticPortal portal(replica, config);
    const auto stageZero = portal.contractsInStages({0});
    const auto all = portal.contractsInStages({});
    ASSERT_LT(stageZero.size(), all.size());
    EXPECT_EQ(all.size(), portal.contracts().size());
    for (PortalRegistry registry : kStartOrder) {
        EXPECT_EQ(walk(Start(registry)), cardUrls(portal, stageZero, registry));
        EXPECT_EQ(walk(AllStages(registry)), cardUrls(portal, all, registry));
    }
    const QString noStage = QString::fromStdString(replica.baseUrl()) +
                            RegistryInfo(PortalRegistry::Contracts44).searchPath +
                            u"?morphology=on&recordsPerPage=_50"_q;
    EXPECT_EQ(walk(noStage), cardUrls(portal, all, PortalRegistry::Contracts44));
    EXPECT_EQ(portal.supplierSearch(portal.contracts().front().inns.front(), {7}).found.size(), 0u);
}

TEST_F(SyntheticSearchTest, CustomerInnStandsWhereThe223CustomerIsShown) {
    SyntheticPortal portal(replica, YearOf2023());
    const std::string page = client.get(Start(PortalRegistry::Contracts223).toStdString());
    for (const SyntheticContract* contract : portal.contractsOf(PortalRegistry::Contracts223)) {
        EXPECT_NE(page.find("info.html?&amp;inn=" + contract->customerInn + "&amp;"),
                  std::string::npos);
        EXPECT_NE(client.get(portal.cardUrl(*contract)).find("&amp;inn=" + contract->customerInn),
                  std::string::npos);
    }
}
