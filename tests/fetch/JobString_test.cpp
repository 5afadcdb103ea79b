#include "fetch/JobString.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(SplitJobString, SplitsAtTheFirstSeparator) {
    const SplitJob withCard = SplitJobString(u"https://a/x|||https://a/card|||tail"_q);
    EXPECT_EQ(withCard.url, u"https://a/x"_q);
    EXPECT_EQ(withCard.canonical, u"https://a/card|||tail"_q);
    const SplitJob plain = SplitJobString(u"https://a/x"_q);
    EXPECT_EQ(plain.url, u"https://a/x"_q);
    EXPECT_TRUE(plain.canonical.isEmpty());
}

TEST(PageKindOfUrl, FirstMatchingPatternDecides) {
    const QString base = u"https://zakupki.gov.ru"_q;
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/contract/search/results.html?a=1"_q), 1);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/contract/contractCard/common-info.html?r=1"_q), 2);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/contractfz223/card/contract-info.html?id=1"_q), 2);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/capitalrepairs/general-info.html?id=1"_q), 2);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/order/notice/notice223/common-info.html?n=1"_q), 3);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/order/notice/notice223/documents.html?n=1"_q), 4);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/contractfz223/card/supplier-info.html?id=1"_q), 5);
    EXPECT_EQ(PageKindOfUrl(base + u"/223/purchase/public/download/download.html?id=1"_q), 6);
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/main/public/home.html"_q), 10);
    // A result address of a download folder is still a result page.
    EXPECT_EQ(PageKindOfUrl(base + u"/download/results.html?x"_q), 1);
    // Without the "?" the pattern does not match.
    EXPECT_EQ(PageKindOfUrl(base + u"/epz/contract/search/results.html"_q), 10);
}
