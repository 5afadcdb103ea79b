#include "replica/CardMarkup.h"
#include "cards/Card223.h"
#include "cards/Card44.h"
#include "cards/CardCapitalRepair.h"
#include "cards/CardHandlerTable.h"
#include "crawl/PortalSearch.h"
#include "store/ContractStore.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// The replica's pages, read by the handlers the controller would call for
// them: what the replica serves is what a crawl of it stores.

namespace {

const QString kCard = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=7"_q;

CardMarkupValues Values() {
    CardMarkupValues values;
    values.subject = "Ремонт кровли здания \"Школа № 5\" & двора";
    values.amountText = CardPriceText(1234567, 8);
    values.conclusionDate = "25.03.2024";
    values.executionDate = "31.12.2024";
    values.inns = {"7701234567", "501234567890", "7701234567"};
    return values;
}

}  // namespace

TEST(CardMarkup, Card44PagesReadBackUnderBothLabelForms) {
    ScopedDecimalSeparator comma(u',');
    const CardHandlers handlers = MakeCardHandlers();
    for (const bool spans : {false, true}) {
        HandlerRun r;
        const QString url =
            u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?r=1"_q;
        r.run(handlers.card44, url, FromUtf8(Card44Page(Values(), spans)));
        EXPECT_EQ(r.innsOf(url), (QStringList{u"501234567890"_q, u"7701234567"_q}));
        EXPECT_EQ(r.column(url, u"contract_subject"_q),
                  u"Ремонт кровли здания \"Школа № 5\" & двора"_q);
        EXPECT_EQ(r.column(url, u"amount"_q), u"1234567.08"_q);
        EXPECT_EQ(r.column(url, u"conclusion_date"_q), u"2024-03-25"_q);
        EXPECT_EQ(r.column(url, u"execution_date"_q), u"2024-12-31"_q);
    }
}

TEST(CardMarkup, CapitalRepairPageReadsBackWithItsFirstInn) {
    HandlerRun r;
    const QString url = u"https://zakupki.gov.ru/epz/capitalrepair/general-info.html?id=1"_q;
    r.run(MakeCardHandlers().cardCapitalRepair, url, FromUtf8(CapitalRepairCardPage(Values())));
    EXPECT_EQ(r.innsOf(url), QStringList{u"7701234567"_q});
    EXPECT_EQ(r.column(url, u"execution_date"_q), u"2024-12-31"_q);
}

TEST(CardMarkup, Card223SupplierRouteReadsBack) {
    HandlerRun r;
    Card223Links links;
    links.supplierListQuery = "?id=7&amp;viewMode=FULL";
    links.noticeLink = "/epz/order/notice/notice223/common-info.html?purchaseNoticeNumber=1";
    const CardHandlers handlers = MakeCardHandlers();
    r.run(handlers.card223, kCard, FromUtf8(Card223Page(Values(), links)));
    ASSERT_EQ(r.queue.size(), 1);
    EXPECT_EQ(r.queue.jobs().front(),
              PortalBase() + u"/epz/contractfz223/card/supplier-info.html?id=7&viewMode=FULL|||"_q +
                  kCard);
    EXPECT_EQ(r.column(kCard, u"execution_date"_q), u"2024-12-31"_q);
    r.run(handlers.supplierList223, u"https://zakupki.gov.ru/s"_q,
          FromUtf8(SupplierList223Page({"3906123456", "390612345678"})), kCard);
    EXPECT_EQ(r.innsOf(kCard), (QStringList{u"3906123456"_q, u"390612345678"_q}));
}

// Card, notice, documents page and download, each handled as its job would be.
TEST(CardMarkup, Card223NoticePathReadsBackToTheProtocolInns) {
    HandlerRun r;
    const CardHandlers handlers = MakeCardHandlers();
    Card223Links links;
    links.noticeLink =
        "https://zakupki.gov.ru/epz/order/notice/notice223/common-info.html?"
        "purchaseNoticeNumber=32413000002";
    links.basisName = "Протокол подведения итогов № 32413000002-02";
    r.run(handlers.card223, kCard, FromUtf8(Card223Page(Values(), links)));
    ASSERT_EQ(r.queue.size(), 1);
    EXPECT_EQ(r.noticeDocumentKeys, QStringList{u"32413000002=32413000002-02"_q});

    const auto take = [&r] { return r.queue.takeHead().split(u"|||"_q); };
    QStringList job = take();
    r.run(handlers.notice223, job[0],
          FromUtf8(Notice223Page("noticeInfoId=5&amp;purchaseNoticeNumber=32413000002")), job[1]);
    job = take();
    r.run(handlers.noticeDocuments223, job[0],
          FromUtf8(NoticeDocuments223Page(
              {{"Документация 32413000002-02", "/223/purchase/public/download/download.html?id=1"}},
              {{"Протокол № 32413000002-01", "/223/purchase/public/download/download.html?id=2"},
               {"Протокол № 32413000002-02", "/223/purchase/public/download/download.html?id=3"}})),
          job[1]);
    job = take();
    EXPECT_EQ(job[0], PortalBase() + u"/223/purchase/public/download/download.html?id=3"_q);
    r.run(handlers.documentInns, job[0], u"7701234567"_q, job[1]);
    EXPECT_EQ(r.innsOf(kCard), QStringList{u"7701234567"_q});
    EXPECT_EQ(r.progressBarMax, 3);
}
