#include "cards/NoticePath223.h"
#include "store/ContractStore.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kCard =
    u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=15021900"_q;
const QString kNotice =
    u"https://zakupki.gov.ru/epz/order/notice/notice223/common-info.html?purchaseNoticeNumber=32413000002"_q;
const QString kDocuments =
    u"https://zakupki.gov.ru/epz/order/notice/notice223/documents.html?noticeInfoId=17000123&"
    u"purchaseNoticeNumber=32413000002"_q;
const QString kDownload =
    u"https://zakupki.gov.ru/223/purchase/public/download/download.html?id="_q;

QStringList Jobs(const HandlerRun& r) {
    return QStringList(r.queue.jobs().begin(), r.queue.jobs().end());
}

// A run that has handled the card: its attachment key recorded.
struct DocumentsRun : HandlerRun {
    DocumentsRun() { noticeDocumentKeys = {u"32413000000=x"_q, u"32413000002=32413000002-02"_q}; }
};

}  // namespace

TEST(ParseNotice223, QueuesTheDocumentsPageAtTheHeadCarryingTheCard) {
    HandlerRun r;
    r.queue.addTail(u"https://zakupki.gov.ru/earlier"_q);
    r.runFixture(ParseNotice223, kNotice, u"notice223_documents_link.html"_q, kCard);
    EXPECT_EQ(Jobs(r).front(), kDocuments + u"|||"_q + kCard);
    EXPECT_EQ(r.progressBarMax, 1);
    EXPECT_TRUE(r.log.isEmpty());
}

TEST(ParseNotice223, PageWithoutDocumentsLinkEndsThePath) {
    HandlerRun r;
    r.runFixture(ParseNotice223, kNotice, u"notice223_no_documents_link.html"_q, kCard);
    EXPECT_EQ(r.log, QStringList{u"Ошибка? Нет ссылки на документы "_q + kNotice});
    EXPECT_TRUE(r.queue.isEmpty());
}

TEST(ParseNotice223, EmptyQueryQueuesNothingSilently) {
    HandlerRun r;
    r.run(ParseNotice223, kNotice,
          u"<a href=\"/epz/order/notice/notice223/documents.html?\">Документы</a>"_q, kCard);
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.queue.isEmpty());
}

TEST(ParseNoticeDocuments223, QueuesOnlyTheProtocolWithTheKey) {
    DocumentsRun r;
    r.runFixture(ParseNoticeDocuments223, kDocuments, u"notice223_documents_protocol_keys.html"_q,
                 kCard);
    EXPECT_EQ(Jobs(r), QStringList{kDownload + u"900020&fileType=pdf|||"_q + kCard});
    EXPECT_EQ(r.progressBarMax, 1);
    EXPECT_TRUE(r.log.isEmpty());
}

TEST(ParseNoticeDocuments223, TwoAttachmentsWithTheKeyDownloadTheFirst) {
    DocumentsRun r;
    r.runFixture(ParseNoticeDocuments223, kDocuments, u"notice223_documents_two_with_key.html"_q,
                 kCard);
    EXPECT_EQ(Jobs(r), QStringList{kDownload + u"900020&fileType=pdf|||"_q + kCard});
}

TEST(ParseNoticeDocuments223, AbsoluteDownloadLinkIsQueuedUnchanged) {
    HandlerRun r;
    r.noticeDocumentKeys = {u"32413000002=32413000002-03"_q};
    r.runFixture(ParseNoticeDocuments223, kDocuments, u"notice223_documents_protocol_keys.html"_q,
                 kCard);
    EXPECT_EQ(Jobs(r), QStringList{kDownload + u"900030|||"_q + kCard});
}

TEST(ParseNoticeDocuments223, NoticeNumberEndsAtTheNextParameterAndIgnoresCase) {
    HandlerRun r;
    r.noticeDocumentKeys = {u"ab12=32413000002-01"_q};
    r.runFixture(ParseNoticeDocuments223,
                 u"https://zakupki.gov.ru/epz/order/notice/notice223/documents.html?"
                 u"purchaseNoticeNumber=AB12&noticeInfoId=1"_q,
                 u"notice223_documents_protocol_keys.html"_q, kCard);
    EXPECT_EQ(Jobs(r), QStringList{kDownload + u"900010|||"_q + kCard});
}

// A run's worth of keys: each looked up by its name, case ignored; the first
// line of a name counts, and a line without "=" names nothing.
TEST(NoticeDocumentKeys, FirstLineOfANameCountsAmongAHundredThousand) {
    NoticeDocumentKeys keys;
    for (int n = 0; n < 100000; ++n)
        keys.append(QStringLiteral("Ab%1=key%1").arg(n));
    keys.append(u"ab5=later"_q);
    keys.append(u"no separator"_q);
    EXPECT_EQ(keys.value(u"AB5"_q), u"key5"_q);
    EXPECT_EQ(keys.value(u"ab99999"_q), u"key99999"_q);
    EXPECT_TRUE(keys.value(u"ab100000"_q).isEmpty());
    EXPECT_TRUE(keys.value(u"no separator"_q).isEmpty());
}

TEST(ParseNoticeDocuments223, EveryFailureRouteEndsThePathWithItsLine) {
    struct Case {
        QString fixture;
        QStringList keys;
        QString line;  // empty: nothing logged
    };
    const QString key = u"32413000002=32413000002-02"_q;
    const Case cases[] = {
        {u"notice223_documents_no_protocols.html"_q,
         {key},
         u"Ошибка? Нет секции Протоколы работы комиссии "_q + kDocuments},
        {u"notice223_documents_protocol_keys.html"_q,
         {u"32413000009=1"_q},
         u"Ошибка? Номер документа не определен "_q + kDocuments},
        {u"notice223_documents_protocol_keys.html"_q,
         {u"32413000002="_q},
         u"Ошибка? Номер документа не определен "_q + kDocuments},
        {u"notice223_documents_key_without_download.html"_q,
         {key},
         u"Ошибка? Нет ссылки скачивания "_q + kDocuments},
        // Only the documentation block holds the key: no protocol carries it.
        {u"notice223_documents_protocol_keys.html"_q, {u"32413000002=.docx"_q}, {}},
    };
    for (const Case& c : cases) {
        HandlerRun r;
        r.noticeDocumentKeys = c.keys;
        r.runFixture(ParseNoticeDocuments223, kDocuments, c.fixture, kCard);
        EXPECT_EQ(r.log, c.line.isEmpty() ? QStringList() : QStringList{c.line})
            << c.fixture.toStdString();
        EXPECT_TRUE(r.queue.isEmpty()) << c.fixture.toStdString();
        EXPECT_EQ(r.progressBarMax, 0);
    }
}

TEST(ParseNoticeDocuments223, PageWithoutAttachmentsBlockEndsSilently) {
    DocumentsRun r;
    r.run(ParseNoticeDocuments223, kDocuments,
          u"<h3>Протоколы работы комиссии</h3><div class=\"attachment\">32413000002-02 "
          u"<a href=\"/x/download/1\">1</a></div>"_q,
          kCard);
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_TRUE(r.queue.isEmpty());
}

TEST(ApplyDocumentInns, LinksTheFoundInnsToTheCarriedCardKeepingEarlierOnes) {
    HandlerRun r;
    StoreContract(r.db, kCard, {}, {}, {}, {});
    LinkInnsToUrl(r.db, kCard, {u"1111111111"_q});
    const QString download = kDownload + u"900020"_q;
    r.run(ApplyDocumentInns, download, u"7701234567,,7701234567,501234567890,7701234567"_q, kCard);
    EXPECT_EQ(r.innsOf(kCard), (QStringList{u"1111111111"_q, u"501234567890"_q, u"7701234567"_q}));
    EXPECT_EQ(r.log, QStringList{u"ИНН найдены (7701234567,,7701234567,501234567890,7701234567) в "
                                 u"файле "_q +
                                 download});
    EXPECT_FALSE(r.stored(download));
}

TEST(ApplyDocumentInns, DocumentWithoutInnsIsLoggedAndLinksNothing) {
    HandlerRun r;
    StoreContract(r.db, kCard, {}, {}, {}, {});
    r.run(ApplyDocumentInns, kDownload + u"1"_q, {}, kCard);
    EXPECT_EQ(r.log, QStringList{u"ИНН не найдены в файле "_q + kDownload + u"1"_q});
    EXPECT_TRUE(r.innsOf(kCard).isEmpty());
}
