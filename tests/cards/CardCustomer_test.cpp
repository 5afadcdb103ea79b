#include "cards/CardCustomer.h"
#include "cards/Card223.h"
#include "cards/Card44.h"
#include "cards/CardCapitalRepair.h"
#include "replica/CardMarkup.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// The customer each card kind names, read and stored beside the contract.

namespace {

const QString kUrl44 =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=2771822544426000087"_q;
const QString kUrl223 = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=7"_q;
const QString kUrlRepair = u"https://zakupki.gov.ru/epz/capitalrepair/general-info.html?id=1"_q;

CardMarkupValues Values() {
    CardMarkupValues values;
    values.subject = "Ремонт";
    values.amountText = CardPriceText(100, 0);
    values.conclusionDate = "25.03.2024";
    values.executionDate = "31.12.2024";
    values.inns = {"7701234567"};
    values.customer = "ГБУ \"Школа № 5\" & сад";
    values.customerInn = "7718225444";
    return values;
}

}  // namespace

TEST(CardCustomer, RealCard44GivesTheHeaderNameAndTheCustomerBlockInn) {
    ScopedDecimalSeparator comma(u',');
    HandlerRun r;
    r.runFixture(ParseCard44, kUrl44, u"card44_real_customer_header.html"_q);
    EXPECT_EQ(r.column(kUrl44, u"customer_name"_q),
              u"ГОСУДАРСТВЕННОЕ БЮДЖЕТНОЕ УЧРЕЖДЕНИЕ ЗДРАВООХРАНЕНИЯ ГОРОДА МОСКВЫ \"ДЕТСКАЯ "
              "ГОРОДСКАЯ ПОЛИКЛИНИКА № 28 ДЕПАРТАМЕНТА ЗДРАВООХРАНЕНИЯ ГОРОДА МОСКВЫ\""_q);
    EXPECT_EQ(r.column(kUrl44, u"customer_inn"_q), u"7718225444"_q);
    // The rest of the real card as a careful reader takes it.
    EXPECT_EQ(r.innsOf(kUrl44), QStringList{u"9719084711"_q});
    EXPECT_EQ(r.column(kUrl44, u"contract_subject"_q),
              u"Работы по внедрению информационных систем и ресурсов"_q);
    EXPECT_EQ(r.column(kUrl44, u"amount"_q), u"1448420"_q);
    EXPECT_EQ(r.column(kUrl44, u"conclusion_date"_q), u"2026-09-22"_q);
    EXPECT_EQ(r.column(kUrl44, u"execution_date"_q), u"2026-12-28"_q);
}

TEST(CardCustomer, Card223GivesTheGeneralBlockLinkAndItsInn) {
    HandlerRun r;
    r.runFixture(ParseCard223, kUrl223, u"card223_notice_link.html"_q);
    EXPECT_EQ(r.column(kUrl223, u"customer_name"_q), u"АО \"РОССЕТИ ЯНТАРЬ\""_q);
    EXPECT_EQ(r.column(kUrl223, u"customer_inn"_q), u"3903007130"_q);
}

TEST(CardCustomer, ReplicaCardsOfEveryKindReadBack) {
    const CardMarkupValues values = Values();
    const QString name = u"ГБУ \"Школа № 5\" & сад"_q;
    for (const bool spans : {false, true}) {
        const CardCustomer c44 = ReadCardCustomer(FromUtf8(Card44Page(values, spans)));
        EXPECT_EQ(c44.name, name);
        EXPECT_EQ(c44.inn, u"7718225444"_q);
    }
    const CardCustomer repair = ReadCardCustomer(FromUtf8(CapitalRepairCardPage(values)));
    EXPECT_EQ(repair.name, name);
    EXPECT_EQ(repair.inn, QString());  // the header link names no INN
    Card223Links links;
    links.noticeLink = "/epz/order/notice/notice223/common-info.html?noticeInfoId=1";
    const CardCustomer c223 = ReadCardCustomer(FromUtf8(Card223Page(values, links)));
    EXPECT_EQ(c223.name, name);
    EXPECT_EQ(c223.inn, u"7718225444"_q);
}

TEST(CardCustomer, ValueWithoutLinkAndCardWithoutLabel) {
    const CardCustomer plain = ReadCardCustomer(
        u"<div class=\"cardMainInfo__title\">Заказчик</div>\n<div class=\"c\">  ООО  "
        "&#034;Ромашка&#034;\n</div><a href=\"/x?inn=1\">далее</a>"_q);
    EXPECT_EQ(plain.name, u"ООО \"Ромашка\""_q);
    EXPECT_EQ(plain.inn, QString());

    HandlerRun r;
    r.runFixture(ParseCardCapitalRepair, kUrlRepair, u"capital_repair_card.html"_q);
    EXPECT_TRUE(r.stored(kUrlRepair));
    EXPECT_TRUE(r.isNull(kUrlRepair, u"customer_name"_q));
    EXPECT_TRUE(r.isNull(kUrlRepair, u"customer_inn"_q));
}
