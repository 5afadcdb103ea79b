#include "cards/BalancedClose.h"
#include "cards/Card223.h"
#include "cards/Card44.h"
#include "cards/CardFields.h"
#include "cards/NoticePath223.h"
#include "cards/SupplierList223.h"
#include "crawl/PortalSearch.h"
#include "store/ContractStore.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>

// Pages built to make a reader loop: thousands of openings without their
// closing text, elements nested ten thousand deep, links off the portal.

namespace {

const QString kCard = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=1"_q;

QString Repeated(const QString& piece, int times) {
    QString text;
    text.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

}  // namespace

TEST(HostilePages, UnclosedRowsAndCellsTakeLinearTime) {
    QElapsedTimer timer;
    timer.start();
    HandlerRun r;
    const QString rows = Repeated(u"<tr><td>ИНН:</span>1<td>"_q, 200000);
    r.run(ParseCard44, u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?a"_q,
          u"Информация о поставщиках</h2><tbody>"_q + rows + u"</span></tr></tbody></table>"_q);
    StoreContract(r.db, kCard, {}, {}, {}, {});
    r.run(ParseSupplierList223, u"https://zakupki.gov.ru/s"_q,
          u"Сведения о поставщиках (подрядчиках, исполнителях)</h2><thead>"_q +
              Repeated(u"<th>"_q, 100000) + u"<th>ИНН</th></thead><tbody>"_q + rows +
              u"</td></tr></tbody></table>"_q,
          kCard);
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST(HostilePages, DeeplyNestedAttachmentsTakeLinearTime) {
    HandlerRun r;
    r.noticeDocumentKeys = {u"1=absent-key"_q};
    const QString nested = Repeated(u"<div class=\"attachment\">"_q, 100000);
    QElapsedTimer timer;
    timer.start();
    r.run(ParseNoticeDocuments223, u"https://zakupki.gov.ru/d?purchaseNoticeNumber=1"_q,
          u"<div class=\"card-attachments__block\"><p>Протоколы работы комиссии</p>"_q + nested +
              Repeated(u"</div>"_q, 100001),
          kCard);
    EXPECT_TRUE(r.queue.isEmpty());
    EXPECT_EQ(FindBalancedClose(nested, u"<div", u"</div>", 1), 0);
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST(HostilePages, LinksOffThePortalAreNotFollowed) {
    const QString notice223 = u"/epz/order/notice/notice223/common-info.html?n=1"_q;
    const QString links[] = {
        u"https://evil.example"_q + notice223,
        u"https://zakupki.gov.ru.evil.example"_q + notice223,
        u"javascript:alert(1)//notice223/common-info.html?n=1"_q,
        u"/epz/contractfz223/card/contract-info.html?id=1"_q,  // a card, not a notice
        notice223 + u"|||https://zakupki.gov.ru/other"_q,
    };
    for (const QString& link : links) {
        HandlerRun r;
        r.run(ParseCard223, kCard,
              u"<h2>Общая информация</h2><span>Извещение о закупке</span><a href=\""_q + link +
                  u"\">1</a></div>"_q);
        EXPECT_TRUE(r.queue.isEmpty()) << link.toStdString();
        EXPECT_TRUE(r.noticeDocumentKeys.isEmpty());
        EXPECT_EQ(r.log, QStringList{u"Ошибка? Недопустимая ссылка "_q + kCard});
        EXPECT_TRUE(r.stored(kCard));
    }
}

TEST(HostilePages, DownloadLinkOffThePortalIsNotFollowed) {
    HandlerRun r;
    r.noticeDocumentKeys = {u"1=KEY"_q};
    const QString documents = u"https://zakupki.gov.ru/d/documents.html?purchaseNoticeNumber=1"_q;
    r.run(ParseNoticeDocuments223, documents,
          u"<div class=\"card-attachments__block\"><p>Протоколы работы комиссии</p>"
          u"<div class=\"attachment\"><a href=\"http://10.0.0.1/download/x\">KEY</a></div></div>"_q,
          kCard);
    EXPECT_TRUE(r.queue.isEmpty());
    EXPECT_EQ(r.log, QStringList{u"Ошибка? Недопустимая ссылка "_q + documents});
}

TEST(HostilePages, PagesWithoutAnyMarkerStoreNothing) {
    const QString junk = Repeated(u"<div <tr <td \" = & "_q, 50000);
    HandlerRun r;
    r.run(ParseCard44, u"https://zakupki.gov.ru/c"_q, junk);
    r.run(ParseNotice223, u"https://zakupki.gov.ru/n"_q, junk, kCard);
    r.run(ParseNoticeDocuments223, u"https://zakupki.gov.ru/d"_q, junk, kCard);
    EXPECT_EQ(r.log.size(), 3);
    EXPECT_EQ(r.db.GetTableValue(u"SELECT count(*) FROM urls"_q), 0);
    EXPECT_TRUE(r.queue.isEmpty());
}

// "1 1 1 …" over 6 MB: deleting the spaces one at a time would take hours.
TEST(HostilePages, HugeAmountTextIsNormalisedInOnePass) {
    ScopedDecimalSeparator point(u'.');
    const QString amount = Repeated(u"1 "_q, 3000000);
    const QString normalised = NormalizeAmountText(amount);
    EXPECT_EQ(normalised.size(), 3000000);
    EXPECT_EQ(normalised.count(u'1'), 3000000);
}

TEST(HostilePages, FieldValuesAreCappedWithANote) {
    const QString url = u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?a"_q;
    HandlerRun r;
    r.run(ParseCard44, url,
          u"Информация о поставщиках</h2><tbody><tr><span>ИНН:</span>7701234567</span></tr>"
          u"</tbody></table>Объекты закупки</div>"_q +
              Repeated(u"Бумага "_q, 1000000) + u"</div>"_q);
    const QString subject = r.column(url, u"contract_subject"_q);
    EXPECT_TRUE(subject.startsWith(Repeated(u"Бумага "_q, 1000))) << subject.left(50).toStdString();
    EXPECT_TRUE(subject.endsWith(u"… (значение обрезано, всего символов: 6999999)"_q))
        << subject.right(80).toStdString();
    EXPECT_LT(subject.size(), kMaxFieldLength + 100);
    EXPECT_EQ(CapFieldValue(Repeated(u"я"_q, kMaxFieldLength)).size(), kMaxFieldLength);
    // A surrogate pair is never cut in half.
    const QString emoji = u"\U0001F600"_q;
    const QString capped = CapFieldValue(u"x"_q + Repeated(emoji, kMaxFieldLength));
    EXPECT_FALSE(capped.at(capped.indexOf(u'…') - 1).isHighSurrogate());
}
