#include "crawl/StartSearches.h"

#include "crawl/PortalSearch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString Start(PortalRegistry registry) {
    return WithSearchString(BuildStartAddress(registry, u"01.03.2024"_q, u"10.03.2024"_q),
                            u"7701234567"_q);
}

}  // namespace

TEST(WithSearchString, StandsRightAfterMorphologyInEveryRegistry) {
    for (PortalRegistry registry : kStartOrder) {
        const QString url = Start(registry);
        SCOPED_TRACE(url.toStdString());
        EXPECT_TRUE(
            url.contains(u"results.html?morphology=on&searchString=7701234567&search-filter="_q));
        EXPECT_EQ(SearchStringOf(url), u"7701234567"_q);
        EXPECT_EQ(RegistryOfAddress(url), registry);
        EXPECT_TRUE(IsFirstPage(url));
    }
}

TEST(WithSearchString, SurvivesSplitBasesAndNextPages) {
    const PortalRegistryInfo& info = RegistryInfo(PortalRegistry::Contracts223);
    const QString start = Start(PortalRegistry::Contracts223);
    const QString byDate = AppendRange(DateSplitBase(start), info.dateFromName, u"01.03.2024"_q,
                                       info.dateToName, u"05.03.2024"_q);
    const QString byPrice =
        AppendRange(PriceSplitBase(byDate), info.priceFromName, u"0"_q, info.priceToName, u"10"_q);
    const QString next = NextPageAddress(byPrice, u"2"_q);
    for (const QString& url : {byDate, byPrice, next}) {
        SCOPED_TRACE(url.toStdString());
        EXPECT_EQ(SearchStringOf(url), u"7701234567"_q);
        EXPECT_EQ(url.count(u"searchString="_q), 1);
    }
    EXPECT_EQ(QueryParamValue(byPrice, info.dateFromName), u"01.03.2024"_q);
    EXPECT_TRUE(IsFirstPage(byPrice));
    EXPECT_FALSE(IsFirstPage(next));
}

TEST(WithSearchString, EncodesWhatWouldBreakTheAddress) {
    const QString url = WithSearchString(Start(PortalRegistry::Contracts44), u"a b&c"_q);
    EXPECT_EQ(SearchStringOf(url), u"a%20b%26c"_q);
    EXPECT_EQ(WithSearchString(u"https://x/path?a=1"_q, u"1"_q), u"https://x/path?a=1"_q);
}

TEST(BuildStartSearches, FullCrawlIsTheThreeStartAddresses) {
    const auto groups = BuildStartSearches(false, {u"7701234567"_q}, u"a"_q, u"b"_q);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_TRUE(groups[0].logLine.isEmpty());
    QStringList expected;
    for (PortalRegistry registry : kStartOrder)
        expected << BuildStartAddress(registry, u"a"_q, u"b"_q);
    EXPECT_EQ(groups[0].addresses, expected);
}

TEST(BuildStartSearches, ByInnGivesEachInnItsThreeSearchesInListOrder) {
    const auto groups =
        BuildStartSearches(true, {u"7701234567"_q, u"500100732259"_q}, u"a"_q, u"b"_q);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].logLine, u"Поиск по ИНН 7701234567: 223-ФЗ, капремонт, 44-ФЗ"_q);
    EXPECT_EQ(groups[1].logLine, u"Поиск по ИНН 500100732259: 223-ФЗ, капремонт, 44-ФЗ"_q);
    for (const StartSearchGroup& group : groups) {
        ASSERT_EQ(group.addresses.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(RegistryOfAddress(group.addresses[i]), kStartOrder[static_cast<size_t>(i)]);
            EXPECT_TRUE(group.logLine.contains(SearchStringOf(group.addresses[i])));
        }
    }
}
