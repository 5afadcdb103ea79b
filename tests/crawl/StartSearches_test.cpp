#include "crawl/StartSearches.h"

#include "crawl/PortalSearch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString Start(PortalRegistry registry) {
    return WithQueryParam(BuildStartAddress(registry, u"01.03.2024"_q, u"10.03.2024"_q),
                          u"supplierTitle"_q, u"7701234567"_q);
}

StartSearchRequest ByInn(QStringList inns) {
    StartSearchRequest request;
    request.searchByInn = true;
    request.inns = std::move(inns);
    request.fromText = u"a"_q;
    request.toText = u"b"_q;
    return request;
}

}  // namespace

TEST(WithQueryParam, StandsRightAfterMorphologyInEveryRegistry) {
    for (PortalRegistry registry : kStartOrder) {
        const QString url = Start(registry);
        SCOPED_TRACE(url.toStdString());
        EXPECT_TRUE(
            url.contains(u"results.html?morphology=on&supplierTitle=7701234567&search-filter="_q));
        EXPECT_EQ(QueryParamValue(url, u"supplierTitle"_q), u"7701234567"_q);
        EXPECT_EQ(RegistryOfAddress(url), registry);
        EXPECT_TRUE(IsFirstPage(url));
    }
}

TEST(WithQueryParam, SurvivesSplitBasesAndNextPages) {
    const PortalRegistryInfo& info = RegistryInfo(PortalRegistry::Contracts223);
    const QString start = Start(PortalRegistry::Contracts223);
    const QString byDate = AppendRange(DateSplitBase(start), info.dateFromName, u"01.03.2024"_q,
                                       info.dateToName, u"05.03.2024"_q);
    const QString byPrice =
        AppendRange(PriceSplitBase(byDate), info.priceFromName, u"0"_q, info.priceToName, u"10"_q);
    const QString next = NextPageAddress(byPrice, u"2"_q);
    for (const QString& url : {byDate, byPrice, next}) {
        SCOPED_TRACE(url.toStdString());
        EXPECT_EQ(QueryParamValue(url, u"supplierTitle"_q), u"7701234567"_q);
        EXPECT_EQ(url.count(u"supplierTitle="_q), 1);
    }
    EXPECT_EQ(QueryParamValue(byPrice, info.dateFromName), u"01.03.2024"_q);
    EXPECT_TRUE(IsFirstPage(byPrice));
    EXPECT_FALSE(IsFirstPage(next));
    // Taking the filter out again gives the unfiltered search of the same dates.
    EXPECT_EQ(RemoveQueryParam(start, u"supplierTitle"_q),
              BuildStartAddress(PortalRegistry::Contracts223, u"01.03.2024"_q, u"10.03.2024"_q));
}

TEST(WithQueryParam, EncodesWhatWouldBreakTheAddress) {
    const QString url =
        WithQueryParam(Start(PortalRegistry::Contracts44), u"searchString"_q, u"a b&c"_q);
    EXPECT_EQ(QueryParamValue(url, u"searchString"_q), u"a%20b%26c"_q);
    EXPECT_EQ(WithQueryParam(u"https://x/path?a=1"_q, u"n"_q, u"1"_q), u"https://x/path?a=1"_q);
}

TEST(BuildStartSearches, FullCrawlIsTheThreeStartAddresses) {
    StartSearchRequest request = ByInn({u"7701234567"_q});
    request.searchByInn = false;
    const auto groups = BuildStartSearches(request);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_TRUE(groups[0].logLine.isEmpty());
    QStringList expected;
    for (PortalRegistry registry : kStartOrder)
        expected << BuildStartAddress(registry, u"a"_q, u"b"_q);
    EXPECT_EQ(groups[0].addresses, expected);
}

// The portal's free-text search finds a customer's INN inside registry numbers, not a
// supplier's: the search by INN asks each registry's supplier filter instead.
TEST(BuildStartSearches, ByInnPutsTheInnIntoEachRegistrysSupplierFilter) {
    const auto groups = BuildStartSearches(ByInn({u"7701234567"_q, u"500100732259"_q}));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].logLine, u"Поиск по ИНН 7701234567: 223-ФЗ, капремонт, 44-ФЗ"_q);
    EXPECT_EQ(groups[1].logLine, u"Поиск по ИНН 500100732259: 223-ФЗ, капремонт, 44-ФЗ"_q);
    const QStringList names{u"supplierTitle"_q, u"subContractNameInn"_q, u"supplierTitle"_q};
    for (const StartSearchGroup& group : groups) {
        ASSERT_EQ(group.addresses.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QString& url = group.addresses[i];
            EXPECT_EQ(RegistryOfAddress(url), kStartOrder[static_cast<size_t>(i)]);
            EXPECT_TRUE(group.logLine.contains(QueryParamValue(url, names[i])));
            EXPECT_FALSE(url.contains(u"searchString"_q));
        }
    }
}

TEST(BuildStartSearches, AnEmptyOrBrokenFilterLeavesItsRegistryOutWithALine) {
    StartSearchRequest request = ByInn({u"7701234567"_q});
    request.filters.capitalRepairs.clear();
    request.filters.contracts223 = u"a&b"_q;
    const auto groups = BuildStartSearches(request);
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].addresses.size(), 1);
    EXPECT_EQ(RegistryOfAddress(groups[0].addresses[0]), PortalRegistry::Contracts44);
    EXPECT_EQ(groups[0].logLine, u"Поиск по ИНН 7701234567: 44-ФЗ"_q);
    const QStringList lines = LeftOutRegistryLines(request.filters);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"SupplierFilter223"_q));
    EXPECT_TRUE(lines[1].contains(u"SupplierFilterCapitalRepairs пусто"_q));
    request.filters.contracts44.clear();
    EXPECT_TRUE(BuildStartSearches(request).empty());
}

TEST(BuildStartAddress, EveryStageAsksForAllStagesAndKeepsTheSearchReadable) {
    const QStringList allStages{u"contractStageList=0%2C1%2C2%2C3&"_q,
                                u"contractStage=0%2C1%2C2&"_q, u"statuses=0%2C1%2C2%2C3&"_q};
    const std::array<PortalRegistry, 3> registries = {
        PortalRegistry::Contracts44, PortalRegistry::CapitalRepairs, PortalRegistry::Contracts223};
    for (std::size_t i = 0; i < registries.size(); ++i) {
        const QString first = BuildStartAddress(registries[i], u"01.03.2024"_q, u""_q);
        const QString all =
            BuildStartAddress(registries[i], u"01.03.2024"_q, u""_q, ContractStages::All);
        SCOPED_TRACE(all.toStdString());
        EXPECT_FALSE(first.contains(allStages[static_cast<qsizetype>(i)]));
        EXPECT_TRUE(all.contains(allStages[static_cast<qsizetype>(i)]));
        EXPECT_EQ(RegistryOfAddress(all), registries[i]);
        EXPECT_TRUE(IsFirstPage(all));
        EXPECT_EQ(QueryParamValue(all, RegistryInfo(registries[i]).dateFromName), u"01.03.2024"_q);
    }
}
