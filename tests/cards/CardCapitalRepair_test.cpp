#include "cards/CardCapitalRepair.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kUrl = u"https://zakupki.gov.ru/epz/contractfz615/card/general-info.html?id=77"_q;

}  // namespace

TEST(ParseCardCapitalRepair, StoresTheFirstContractorInnAndItsFields) {
    ScopedDecimalSeparator comma(u',');
    HandlerRun r;
    r.runFixture(ParseCardCapitalRepair, kUrl, u"capital_repair_card.html"_q);
    EXPECT_EQ(r.innsOf(kUrl), QStringList{u"6901234567"_q});
    EXPECT_EQ(r.column(kUrl, u"contract_subject"_q),
              u"Капитальный ремонт крыши многоквартирного дома по адресу: г. Тверь, ул. "
              u"Советская, д.\u00A05"_q);
    EXPECT_EQ(r.column(kUrl, u"amount"_q), u"2500000"_q);
    EXPECT_EQ(r.column(kUrl, u"conclusion_date"_q), u"2024-02-14"_q);
    // "Окончание исполнения", not the "Срок исполнения" above it.
    EXPECT_EQ(r.column(kUrl, u"execution_date"_q), u"2024-09-30"_q);
}

TEST(ParseCardCapitalRepair, InnOutsideTheFirstBlockGivesNoLink) {
    HandlerRun r;
    r.runFixture(ParseCardCapitalRepair, kUrl, u"capital_repair_inn_after_block.html"_q);
    EXPECT_TRUE(r.stored(kUrl));
    EXPECT_TRUE(r.innsOf(kUrl).isEmpty());
}

TEST(ParseCardCapitalRepair, PageWithoutContractorSectionIsLoggedAndNotStored) {
    HandlerRun r;
    r.run(ParseCardCapitalRepair, kUrl,
          u"<h2>Информация о заказчике</h2><div>ИНН</span>1</span></div>"_q);
    EXPECT_EQ(r.log, QStringList{u"Ошибка? Нет информации о подрядчике "_q + kUrl});
    EXPECT_FALSE(r.stored(kUrl));
}
