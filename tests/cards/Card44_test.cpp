#include "cards/Card44.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kUrl =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=2770123456724000001"_q;

}  // namespace

TEST(ParseCard44, StoresEverySupplierRowWithTheCardFields) {
    ScopedDecimalSeparator comma(u',');
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_two_suppliers.html"_q);
    EXPECT_EQ(r.innsOf(kUrl), (QStringList{u"501234567890"_q, u"7701234567"_q}));
    EXPECT_EQ(r.column(kUrl, u"contract_subject"_q),
              u"Поставка бумаги для офисной техники \"Снегурочка\" и канцелярских товаров"_q);
    EXPECT_EQ(r.column(kUrl, u"amount"_q), u"1234567.89"_q);
    EXPECT_EQ(r.column(kUrl, u"conclusion_date"_q), u"2024-03-25"_q);
    EXPECT_EQ(r.column(kUrl, u"execution_date"_q), u"2024-12-31"_q);
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.queue.isEmpty());
}

TEST(ParseCard44, LinksAnInnShownInTwoRowsOnce) {
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_same_inn_twice.html"_q);
    EXPECT_EQ(r.innsOf(kUrl), QStringList{u"7701234567"_q});
}

TEST(ParseCard44, RowWithoutInnLabelAddsNoLink) {
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_row_without_inn.html"_q);
    EXPECT_EQ(r.innsOf(kUrl), QStringList{u"7701234567"_q});
}

TEST(ParseCard44, TableWithoutBodyStoresTheContractWithoutInns) {
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_no_supplier_table.html"_q);
    EXPECT_TRUE(r.stored(kUrl));
    EXPECT_TRUE(r.innsOf(kUrl).isEmpty());
}

TEST(ParseCard44, PageWithoutSupplierSectionIsLoggedAndNotStored) {
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_no_supplier_section.html"_q);
    EXPECT_EQ(r.log, QStringList{u"Ошибка? Нет информации о поставщиках "_q + kUrl});
    EXPECT_FALSE(r.stored(kUrl));
}

TEST(ParseCard44, PriceAndDatesFallBackToTheirSpanLabels) {
    ScopedDecimalSeparator point(u'.');
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_price_and_dates_in_spans.html"_q);
    EXPECT_EQ(r.column(kUrl, u"amount"_q), u"98000.5"_q);
    EXPECT_EQ(r.column(kUrl, u"conclusion_date"_q), u"2024-02-01"_q);
    EXPECT_EQ(r.column(kUrl, u"execution_date"_q), u"2024-06-30"_q);
}

// "&nbsp;" reads as an ordinary space; digit groups of such spaces still
// read as one number.
TEST(ParseCard44, PriceGroupedWithNbspReferencesIsStoredAsANumber) {
    ScopedDecimalSeparator comma(u',');
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_price_with_nbsp_entities.html"_q);
    EXPECT_TRUE(r.stored(kUrl));
    EXPECT_FALSE(r.isNull(kUrl, u"amount"_q));
}

TEST(ParseCard44, StoresAgainOverAnEarlierVersionOfTheCard) {
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl, u"card44_two_suppliers.html"_q);
    r.runFixture(ParseCard44, kUrl, u"card44_row_without_inn.html"_q);
    EXPECT_EQ(r.innsOf(kUrl), QStringList{u"7701234567"_q});
}
