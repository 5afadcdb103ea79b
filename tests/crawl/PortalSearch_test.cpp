#include "crawl/PortalSearch.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kStart44 =
    BuildStartAddress(PortalRegistry::Contracts44, u"01.01.2023"_q, u"31.12.2023"_q);

}  // namespace

TEST(BuildStartAddress, EndsWithTheDateRangeOfItsRegistry) {
    EXPECT_TRUE(
        kStart44.startsWith(u"https://zakupki.gov.ru/epz/contract/search/results.html?"
                            u"morphology=on&search-filter=%D0%94"_q));
    EXPECT_TRUE(kStart44.endsWith(u"&contractDateFrom=01.01.2023&contractDateTo=31.12.2023"_q));
    EXPECT_TRUE(
        BuildStartAddress(PortalRegistry::CapitalRepairs, u"a"_q, u"b"_q)
            .endsWith(
                u"&capitalDateOfContractConclusionFrom=a&capitalDateOfContractConclusionTo=b"_q));
    EXPECT_TRUE(BuildStartAddress(PortalRegistry::Contracts223, u"a"_q, u"b"_q)
                    .endsWith(u"&recordsPerPage=_50&showLotsInfoHidden=false"
                              u"&contract223DateFrom=a&contract223DateTo=b"_q));
}

TEST(BuildStartAddress, BothDatesEmpty) {
    const QString url = BuildStartAddress(PortalRegistry::Contracts44, u""_q, u""_q);
    EXPECT_TRUE(url.endsWith(u"&contractDateFrom=&contractDateTo="_q));
    EXPECT_EQ(QueryParamValue(url, u"contractDateFrom"_q), u""_q);
}

TEST(BuildStartAddress, UsesTheOverriddenPortalBase) {
    SetPortalBase(u"https://127.0.0.1:8443"_q);
    const QString url = BuildStartAddress(PortalRegistry::Contracts44, u""_q, u""_q);
    SetPortalBase(u"https://zakupki.gov.ru"_q);
    EXPECT_TRUE(url.startsWith(u"https://127.0.0.1:8443/epz/contract/search/results.html?"_q));
}

TEST(RegistryOfAddress, TellsTheRegistriesApart) {
    for (PortalRegistry registry : kStartOrder)
        EXPECT_EQ(RegistryOfAddress(BuildStartAddress(registry, u""_q, u""_q)), registry);
    EXPECT_EQ(RegistryOfAddress(u"https://zakupki.gov.ru/epz/order/search/results.html?a=1"_q),
              std::nullopt);
}

TEST(QueryParamValue, ReadsUpToTheNextAmpersand) {
    EXPECT_EQ(QueryParamValue(kStart44, u"pageNumber"_q), u"1"_q);
    EXPECT_EQ(QueryParamValue(kStart44, u"contractDateTo"_q), u"31.12.2023"_q);
    EXPECT_EQ(QueryParamValue(kStart44, u"contractPriceFrom"_q), u""_q);
    // Only "&name=" counts: a parameter right after "?" is not read.
    EXPECT_EQ(QueryParamValue(kStart44, u"morphology"_q), u""_q);
}

TEST(RemoveQueryParam, CutsOneParameter) {
    const QString url = u"https://h/r.html?morphology=on&contractPriceFrom=5&priceFrom=7&x=1"_q;
    EXPECT_EQ(RemoveQueryParam(url, u"priceFrom"_q),
              u"https://h/r.html?morphology=on&contractPriceFrom=5&x=1"_q);
    EXPECT_EQ(RemoveQueryParam(url, u"x"_q),
              u"https://h/r.html?morphology=on&contractPriceFrom=5&priceFrom=7"_q);
    EXPECT_EQ(RemoveQueryParam(url, u"priceTo"_q), url);
    // The first parameter: the "?" stays before the next one.
    EXPECT_EQ(RemoveQueryParam(url, u"morphology"_q),
              u"https://h/r.html?contractPriceFrom=5&priceFrom=7&x=1"_q);
    EXPECT_EQ(RemoveQueryParam(u"https://h/r.html?x=1"_q, u"x"_q), u"https://h/r.html"_q);
}

TEST(NextPageAddress, PutsThePageNumberLast) {
    const QString next = NextPageAddress(kStart44, u"10"_q);
    EXPECT_FALSE(next.contains(u"&pageNumber=1&"_q));
    EXPECT_TRUE(next.endsWith(u"&contractDateTo=31.12.2023&pageNumber=10"_q));
    EXPECT_TRUE(IsFirstPage(kStart44));
    EXPECT_FALSE(IsFirstPage(next));
    EXPECT_FALSE(IsFirstPage(NextPageAddress(kStart44, u"1"_q)));
}

TEST(SplitBase, RemovesAllRangeParametersAndKeepsTheRest) {
    const QString url = kStart44 + u"&contractPriceFrom=0&contractPriceTo=9&priceFrom=1"_q;
    const QString dateBase = DateSplitBase(url);
    EXPECT_FALSE(dateBase.contains(u"Date"_q));
    EXPECT_TRUE(dateBase.contains(u"&pageNumber=1&"_q));
    EXPECT_TRUE(
        dateBase.endsWith(u"&showLotsInfoHidden=false&contractPriceFrom=0"
                          u"&contractPriceTo=9&priceFrom=1"_q));
    const QString priceBase = PriceSplitBase(url);
    EXPECT_EQ(priceBase, kStart44);
    EXPECT_EQ(AppendRange(priceBase, u"priceFrom"_q, u"1"_q, u"priceTo"_q, u"2"_q),
              kStart44 + u"&priceFrom=1&priceTo=2"_q);
}

// One contract, however a page spells its link, has one address; the query stays as it is.
TEST(NormalizePortalAddress, GivesOneSpellingOfAnAddress) {
    const QString card =
        u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=1"_q;
    for (const QString& spelling :
         {card,
          u"HTTPS://Zakupki.GOV.ru/epz/contract/contractCard/common-info.html?reestrNumber=1"_q,
          u"https://zakupki.gov.ru:443/epz/../epz/contract/./contractCard/common-info.html?"
          u"reestrNumber=1"_q,
          u"https://zakupki.gov.ru/epz/%2E%2e/epz/contract/contractCard/x/../common-info.html?"
          u"reestrNumber=1"_q}) {
        EXPECT_EQ(NormalizePortalAddress(spelling), card) << spelling.toStdString();
    }
    EXPECT_EQ(NormalizePortalAddress(u"https://h:8443/a/b/..?q=/../X"_q),
              u"https://h:8443/a/?q=/../X"_q);
    EXPECT_EQ(NormalizePortalAddress(u"http://h:80/../a"_q), u"http://h/a"_q);
    EXPECT_EQ(NormalizePortalAddress(u"https://h:80/a"_q), u"https://h:80/a"_q);
    EXPECT_EQ(NormalizePortalAddress(u"/epz/x"_q), u"/epz/x"_q);
}
