#include "cards/Card223.h"
#include "cards/SupplierList223.h"
#include "store/ContractStore.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kCard =
    u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=15021900"_q;
const QString kNotice =
    u"https://zakupki.gov.ru/epz/order/notice/notice223/common-info.html?purchaseNoticeNumber=32413000002"_q;

QStringList Jobs(const HandlerRun& r) {
    return QStringList(r.queue.jobs().begin(), r.queue.jobs().end());
}

}  // namespace

TEST(ParseCard223, SupplierLinkQueuesTheSupplierPageOnlyAndStoresWithoutInns) {
    ScopedDecimalSeparator comma(u',');
    HandlerRun r;
    r.queue.addTail(u"https://zakupki.gov.ru/earlier"_q);
    r.runFixture(ParseCard223, kCard, u"card223_supplier_list_link.html"_q);
    EXPECT_EQ(Jobs(r).front(),
              u"https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=15021873&"
              u"viewMode=FULL|||"_q +
                  kCard);
    EXPECT_EQ(r.queue.size(), 2);
    EXPECT_EQ(r.progressBarMax, 1);
    EXPECT_TRUE(r.noticeDocumentKeys.isEmpty());
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.innsOf(kCard).isEmpty());
    EXPECT_EQ(r.column(kCard, u"contract_subject"_q),
              u"Оказание услуг по уборке помещений «Центра»"_q);
    EXPECT_EQ(r.column(kCard, u"amount"_q), u"675000"_q);
    EXPECT_EQ(r.column(kCard, u"conclusion_date"_q), u"2024-03-05"_q);
    EXPECT_EQ(r.column(kCard, u"execution_date"_q), u"2024-12-31"_q);
}

TEST(ParseCard223, SupplierLinkWithNothingAfterThePathQueuesNothing) {
    HandlerRun r;
    r.runFixture(ParseCard223, kCard, u"card223_supplier_link_without_query.html"_q);
    EXPECT_TRUE(r.queue.isEmpty());
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.stored(kCard));
    EXPECT_FALSE(IsFollowUpPending(r.db, kCard)) << "nothing will follow: the card is done";
}

// The card is stored before its INNs arrive; until the follow-up is handled the
// card stays marked, so a run cut short in between opens it again next time.
TEST(ParseCard223, CardWithAFollowUpStaysPendingUntilTheFollowUpIsHandled) {
    for (const char* fixture : {"card223_supplier_list_link.html", "card223_notice_link.html"}) {
        SCOPED_TRACE(fixture);
        HandlerRun r;
        r.runFixture(ParseCard223, kCard, QString::fromLatin1(fixture));
        ASSERT_EQ(r.context.followUpsQueued, 1);
        EXPECT_TRUE(r.stored(kCard));
        EXPECT_TRUE(IsFollowUpPending(r.db, kCard));
    }
}

TEST(ParseCard223, RelativeNoticeLinkIsQueuedWithItsAttachmentKey) {
    HandlerRun r;
    r.runFixture(ParseCard223, kCard, u"card223_notice_link.html"_q);
    EXPECT_EQ(Jobs(r), QStringList{kNotice + u"|||"_q + kCard});
    EXPECT_EQ(r.progressBarMax, 1);
    EXPECT_EQ(r.noticeDocumentKeys, QStringList{u"32413000002=32413000002-02"_q});
    EXPECT_EQ(r.column(kCard, u"execution_date"_q), u"2024-04-30"_q);
}

// A notice link spelt with dot segments and an upper-case host is queued in
// its one spelling, the one a plain link gives.
TEST(ParseCard223, NoticeLinkIsQueuedInItsOneSpelling) {
    HandlerRun r;
    QString html = TestSupport::readDataText(u"cards/card223_notice_link.html"_q);
    html.replace(u"href=\"/epz/order/notice/"_q,
                 u"href=\"HTTPS://ZAKUPKI.gov.ru:443/epz/./order/../order/notice/"_q);
    r.run(ParseCard223, kCard, html);
    EXPECT_EQ(Jobs(r), QStringList{kNotice + u"|||"_q + kCard});
}

TEST(ParseCard223, AbsoluteNoticeLinkKeepsItsLaterParametersInTheNoticeKey) {
    HandlerRun r;
    r.runFixture(ParseCard223, kCard, u"card223_notice_link_absolute.html"_q);
    EXPECT_EQ(Jobs(r), QStringList{kNotice + u"&backUrl=1|||"_q + kCard});
    EXPECT_EQ(r.noticeDocumentKeys, QStringList{u"32413000002&backUrl=1=32413000002-02"_q});
}

TEST(ParseCard223, EmptyFourthBasisCellUsesTheNumberRunOfTheSecond) {
    HandlerRun r;
    r.runFixture(ParseCard223, kCard, u"card223_notice_basis_number_in_name.html"_q);
    EXPECT_EQ(r.noticeDocumentKeys, QStringList{u"32413000002=32413000002-02"_q});
}

TEST(AttachmentKey, SecondCellWithoutANumberRunIsUsedAsCut) {
    const QString html =
        u"<h2>Основание для заключения договора</h2><td class=\"table_info\">Имя</td>"
        u"<td class=\"table_info\">Протокол &laquo;б/н&raquo;</td><td "
        u"class=\"table_info\">Номер</td>"
        u"<td class=\"table_info\"> </td></section>"_q;
    EXPECT_EQ(AttachmentKey(html), u"Протокол &laquo;б/н&raquo;"_q);
}

TEST(ParseCard223, PlanPositionIsLoggedAndFollowsNothing) {
    for (const QString& fixture :
         {u"card223_plan_position.html"_q, u"card223_plan_and_notice.html"_q}) {
        HandlerRun r;
        r.runFixture(ParseCard223, kCard, fixture);
        EXPECT_EQ(r.log,
                  QStringList{u"Обнаружена позиция плана закупки, поставщик неизвестен "_q + kCard})
            << fixture.toStdString();
        EXPECT_TRUE(r.queue.isEmpty());
        EXPECT_TRUE(r.noticeDocumentKeys.isEmpty());
        EXPECT_TRUE(r.stored(kCard));
    }
}

TEST(ParseCard223, NoticeLabelWithoutLinkQueuesNothingSilently) {
    HandlerRun r;
    r.runFixture(ParseCard223, kCard, u"card223_notice_without_link.html"_q);
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.queue.isEmpty());
    EXPECT_TRUE(r.noticeDocumentKeys.isEmpty());
    EXPECT_TRUE(r.stored(kCard));
}

TEST(ParseCard223, GeneralBlockWithNeitherTextIsLoggedAndStillStored) {
    for (const QString& fixture :
         {u"card223_no_plan_no_notice.html"_q, u"card44_two_suppliers.html"_q}) {
        HandlerRun r;
        r.runFixture(ParseCard223, kCard, fixture);
        EXPECT_EQ(r.log, QStringList{u"Ошибка? Нет позиции плана закупки и нет извещения о "
                                     u"закупке "_q +
                                     kCard});
        EXPECT_TRUE(r.queue.isEmpty());
        EXPECT_TRUE(r.stored(kCard));
    }
}

TEST(ParseCard223, StoredCardIsNotOverwritten) {
    HandlerRun r;
    StoreContract(r.db, kCard, u"Раньше"_q, {}, {}, {});
    r.runFixture(ParseCard223, kCard, u"card223_notice_link.html"_q);
    EXPECT_EQ(r.column(kCard, u"contract_subject"_q), u"Раньше"_q);
}

TEST(ParseSupplierList223, LinksTheInnColumnOfEveryRowToTheCarriedCard) {
    HandlerRun r;
    StoreContract(r.db, kCard, {}, {}, {}, {});
    const QString page = u"https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=1"_q;
    r.runFixture(ParseSupplierList223, page, u"supplier223_inn_third_column.html"_q, kCard);
    EXPECT_EQ(r.innsOf(kCard), (QStringList{u"3906123456"_q, u"390612345678"_q}));
    EXPECT_FALSE(r.stored(page));
    EXPECT_TRUE(r.log.isEmpty());
}

TEST(ParseSupplierList223, PageWithoutSectionIsLogged) {
    HandlerRun r;
    StoreContract(r.db, kCard, {}, {}, {}, {});
    const QString page = u"https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=1"_q;
    r.runFixture(ParseSupplierList223, page, u"supplier223_no_section.html"_q, kCard);
    EXPECT_EQ(r.log, QStringList{u"Ошибка? Нет сведений о поставщиках "_q + page});
    EXPECT_TRUE(r.innsOf(kCard).isEmpty());
}

TEST(ParseSupplierList223, TableWithoutInnHeaderLinksNothing) {
    HandlerRun r;
    StoreContract(r.db, kCard, {}, {}, {}, {});
    r.runFixture(ParseSupplierList223, u"https://zakupki.gov.ru/s"_q,
                 u"supplier223_no_inn_column.html"_q, kCard);
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.innsOf(kCard).isEmpty());
}

TEST(ParseSupplierList223, CarriedCardNotStoredIsLoggedInsteadOfRaised) {
    HandlerRun r;
    r.runFixture(ParseSupplierList223, u"https://zakupki.gov.ru/s"_q,
                 u"supplier223_inn_third_column.html"_q, kCard);
    EXPECT_EQ(r.log, QStringList{u"Ошибка? URL не найден в базе: "_q + kCard});
    EXPECT_EQ(r.db.GetTableValue(u"SELECT count(*) FROM inns"_q), 0);
}
