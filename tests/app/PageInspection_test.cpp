#include "app/PageInspection.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

const QString kCard44 =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=1"_q;

QByteArray fixture(const QString& name) {
    QFile file(TestSupport::dataPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject runInspectJson(const QStringList& arguments) {
    QProcess cli;
    cli.start(QStringLiteral(CF_CLI_PATH), QStringList{u"inspect"_q, u"--json"_q} + arguments);
    EXPECT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
}

}  // namespace

TEST(InspectPage, CardShowsTheContractAsHandedToTheStore) {
    const PageInspection seen =
        InspectPage(kCard44, fixture(u"cards/card44_two_suppliers.html"_q), QString());
    EXPECT_EQ(seen.kind, 2);
    EXPECT_EQ(seen.handler, u"ParseCard44"_q);
    EXPECT_EQ(seen.storeOperation, u"ReplaceContract"_q);
    ASSERT_TRUE(seen.contract);
    EXPECT_EQ(seen.contract->url, kCard44);
    EXPECT_EQ(seen.contract->inns, (QStringList{u"501234567890"_q, u"7701234567"_q}));
    EXPECT_EQ(seen.contract->conclusionDate, u"25.03.2024"_q);
    EXPECT_TRUE(seen.queued.empty());
}

TEST(InspectPage, FollowUpsAreListedWithTheirPlaceInTheQueue) {
    const QString card = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=9"_q;
    const PageInspection seen =
        InspectPage(card, fixture(u"cards/card223_supplier_list_link.html"_q), QString());
    EXPECT_EQ(seen.handler, u"ParseCard223"_q);
    EXPECT_EQ(seen.storeOperation, u"StoreContract"_q);
    ASSERT_EQ(seen.queued.size(), 1u);
    EXPECT_TRUE(seen.queued.front().atHead);
    EXPECT_TRUE(seen.queued.front().job.endsWith(u"|||"_q + card));
}

// The card a follow-up belongs to counts as stored, so the page shows the INNs it links: to the
// card after "|||", or to the page itself when the address names none.
TEST(InspectPage, SupplierPageShowsTheInnsItLinksToItsCard) {
    const QString page = u"https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=7"_q;
    const QString card = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=9"_q;
    const QByteArray html = fixture(u"cards/supplier223_inn_third_column.html"_q);
    for (const auto& [job, linked] : {std::pair{page + u"|||"_q + card, card}, {page, page}}) {
        const PageInspection seen = InspectPage(job, html, QString());
        EXPECT_EQ(seen.handler, u"ParseSupplierList223"_q);
        EXPECT_EQ(seen.storeOperation, u"LinkInnsToUrl"_q);
        ASSERT_TRUE(seen.contract);
        EXPECT_EQ(seen.contract->url, linked);
        EXPECT_EQ(seen.contract->inns, (QStringList{u"3906123456"_q, u"390612345678"_q}));
        EXPECT_TRUE(seen.log.isEmpty()) << seen.log.join(u'\n').toStdString();
    }
}

TEST(InspectPage, PageOfNoKnownKindHasNoHandler) {
    const PageInspection seen =
        InspectPage(u"https://zakupki.gov.ru/epz/main/public/home.html"_q, "<html/>", QString());
    EXPECT_EQ(seen.kind, 10);
    EXPECT_TRUE(seen.handler.isEmpty());
    EXPECT_FALSE(seen.contract);
}

TEST(InspectCommand, ResultPageAsJson) {
    const QJsonObject json = runInspectJson(
        {u"--url"_q,
         u"https://zakupki.gov.ru/epz/contract/search/results.html?morphology=on&pageNumber=1&x=1"_q,
         TestSupport::dataPath(u"results44_1000_records_page1.html"_q)});
    EXPECT_EQ(json.value(u"kind"_q).toInt(), 1);
    EXPECT_EQ(json.value(u"handler"_q).toString(), u"ParseResultList"_q);
    EXPECT_TRUE(json.value(u"contract"_q).isNull());
    EXPECT_TRUE(json.value(u"store"_q).isNull());
    EXPECT_EQ(json.value(u"record_count"_q).toInt(), 1000);
    EXPECT_TRUE(json.value(u"split"_q).toBool());
    EXPECT_TRUE(json.value(u"log"_q).toArray().first().toString().contains(u"Нашлось"_q));
}

TEST(InspectCommand, DocumentsTellTheTextLayerFromOcr) {
    const QString download =
        u"https://zakupki.gov.ru/223/purchase/public/download/download.html?id=1|||"
        u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=9"_q;
    const QJsonObject text = runInspectJson(
        {u"--url"_q, download, TestSupport::dataPath(u"documents/protocol_text_labelled.pdf"_q)});
    EXPECT_EQ(text.value(u"kind"_q).toInt(), 6);
    EXPECT_EQ(text.value(u"source"_q).toString(), u"text"_q);
    EXPECT_EQ(text.value(u"inns"_q).toArray().size(), 2);
    EXPECT_EQ(text.value(u"handler"_q).toString(), u"ApplyDocumentInns"_q);

    const QJsonObject scanned = runInspectJson(
        {u"--url"_q, download, TestSupport::dataPath(u"documents/protocol_scanned.pdf"_q)});
    EXPECT_EQ(scanned.value(u"source"_q).toString(), u"ocr"_q);
    EXPECT_EQ(scanned.value(u"inns"_q).toArray().size(), 2);
}
