#include "store/ContractStore.h"
#include "store/ContractSink.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

const QString kUrl =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=1"_q;

class Store : public TempDatabase {
public:
    Store() : formats(QLatin1Char(','), u"dd.MM.yyyy"_q) { CreateSchema(db); }

    // The urls linked to an INN, sorted.
    QStringList urlsOf(const QString& inn) {
        QStringList urls;
        for (const auto& [url, info] : GetContractsByInn(db, inn))
            urls.append(url);
        urls.sort();
        return urls;
    }
    TUrlContractInfo only(const QString& inn) {
        const TContractList contracts = GetContractsByInn(db, inn);
        EXPECT_EQ(contracts.size(), 1u);
        return contracts.empty() ? TUrlContractInfo{} : contracts.front().second;
    }
    std::int64_t count(const QString& table) {
        return value(QStringLiteral("SELECT count(*) FROM ") + table);
    }

    ScopedRegionalFormats formats;
};

}  // namespace

TEST(CreateSchema, RunsAgainOnAnExistingFileWithItsExactTexts) {
    Store s;
    CreateSchema(s.db);
    EXPECT_EQ(s.text(u"SELECT sql FROM sqlite_master WHERE name = 'url_inns'"_q),
              u"CREATE TABLE url_inns (  url_id INTEGER NOT NULL,  inn_id INTEGER NOT NULL,  "
              u"found_at DATETIME DEFAULT CURRENT_TIMESTAMP,  PRIMARY KEY (url_id, inn_id))"_q);
    EXPECT_EQ(s.value(u"SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name LIKE "
                      u"'idx_%'"_q),
              2);
}

TEST(StoreContract, WritesConvertedValuesAndLeavesAStoredRowUnchanged) {
    Store s;
    StoreContract(s.db, kUrl, u"Поставка 'бумаги'"_q, u"1234567,89"_q, u"25.03.2024"_q, u""_q);
    StoreContract(s.db, kUrl, u"другое"_q, u"1,00"_q, u"01.01.2025"_q, u"01.01.2025"_q);
    LinkInnsToUrl(s.db, kUrl, {u"7707083893"_q});
    const TUrlContractInfo info = s.only(u"7707083893"_q);
    EXPECT_EQ(info.Url, kUrl);
    EXPECT_EQ(info.ContractSubject, u"Поставка 'бумаги'"_q);
    EXPECT_EQ(info.Amount, 1234567.89);
    EXPECT_EQ(info.ConclusionDate, u"2024-03-25"_q);
    EXPECT_EQ(info.ExecutionDate, QString());
    EXPECT_EQ(s.text(u"SELECT typeof(amount) || typeof(execution_date) FROM urls"_q),
              u"realnull"_q);
}

TEST(StoreContract, UnparsableAmountIsNullAndSqlInItIsInert) {
    Store s;
    StoreContract(s.db, kUrl, u"x"_q, u"1); DROP TABLE urls; --"_q, u"31.02.2024"_q, u"x"_q);
    EXPECT_TRUE(IsUrlStored(s.db, kUrl));
    EXPECT_EQ(
        s.value(u"SELECT count(*) FROM urls WHERE amount IS NULL AND conclusion_date IS NULL"_q),
        1);
}

TEST(StoreContract, DecimalPointLocaleStoresTheSameNumber) {
    Store s;
    ScopedRegionalFormats point(QLatin1Char('.'), u"M/d/yy"_q);
    StoreContract(s.db, kUrl, u"x"_q, u"1234567,89"_q, u"25.03.2024"_q, u""_q);
    EXPECT_EQ(s.text(u"SELECT amount || ' ' || conclusion_date FROM urls"_q),
              u"1234567.89 2024-03-25"_q);
}

TEST(StoreContract, TextsWithQuotesBackslashesNulAndBrokenUtf16RoundTrip) {
    Store s;
    QString url = kUrl + u"&a='b'\\"_q;
    url.append(QChar::Null).append(u"&tail"_q);
    QString subject = u"«Снегурочка» 'A4' \\n \\ "_q;
    subject.append(QChar::Null).append(QChar(0xDC00)).append(u"конец 😀"_q);
    ReplaceContract(s.db, url, subject, u""_q, u""_q, u""_q, {u"7707083893"_q});
    EXPECT_TRUE(IsUrlStored(s.db, url));
    EXPECT_FALSE(IsUrlStored(s.db, kUrl + u"&a='b'\\"_q));
    const TUrlContractInfo info = s.only(u"7707083893"_q);
    EXPECT_EQ(info.Url, url);
    QString expected = subject;
    expected[subject.indexOf(QChar(0xDC00))] = QChar::ReplacementCharacter;
    EXPECT_EQ(info.ContractSubject, expected);
}

TEST(IsUrlStored, MatchesExactTextOnly) {
    Store s;
    StoreContract(s.db, kUrl, u""_q, u""_q, u""_q, u""_q);
    EXPECT_TRUE(IsUrlStored(s.db, kUrl));
    EXPECT_FALSE(IsUrlStored(s.db, kUrl.toUpper()));
    EXPECT_FALSE(IsUrlStored(s.db, kUrl + u" "_q));
}

TEST(LinkInnsToUrl, UnknownUrlIsAGeneralErrorAndWritesNothing) {
    Store s;
    try {
        LinkInnsToUrl(s.db, kUrl, {u"7707083893"_q});
        FAIL() << "no error";
    } catch (const EGeneralError& e) {
        EXPECT_EQ(dynamic_cast<const ESQLiteException*>(&e), nullptr);
        EXPECT_EQ(e.message(), u"URL не найден в базе: "_q + kUrl);
    }
    EXPECT_EQ(s.count(u"inns"_q), 0);
    EXPECT_TRUE(s.autocommit());
}

TEST(LinkInnsToUrl, AddsLinksKeepsOldOnesAndSkipsBlankAndRepeatedInns) {
    Store s;
    StoreContract(s.db, kUrl, u""_q, u""_q, u""_q, u""_q);
    LinkInnsToUrl(s.db, kUrl, {u"7707083893"_q});
    LinkInnsToUrl(s.db, kUrl,
                  {u""_q, u"  "_q, u" 500100732259 "_q, u"500100732259"_q, u"7707083893"_q});
    EXPECT_EQ(s.urlsOf(u"7707083893"_q), QStringList{kUrl});
    EXPECT_EQ(s.urlsOf(u"500100732259"_q), QStringList{kUrl});
    EXPECT_EQ(s.count(u"inns"_q), 2);
    EXPECT_EQ(s.count(u"url_inns"_q), 2);
    EXPECT_TRUE(s.urlsOf(u" 500100732259"_q).isEmpty());
    EXPECT_TRUE(s.urlsOf(u"50010073225"_q).isEmpty());
}

// A second copy replaces the contract (a new id) while this one links INNs to
// it: the links land on the contract as it is after the replacement.
TEST(LinkInnsToUrl, TwoCopiesLinkingOneContractLeaveNoLinkToADeletedId) {
    Store s;
    StoreContract(s.db, kUrl, u""_q, u""_q, u""_q, u""_q);
    TSQLiteDatabase other(s.path());
    other.ExecSQL(u"BEGIN IMMEDIATE"_q);
    other.AddParamText(u":url"_q, kUrl);
    other.ExecSQL(u"DELETE FROM urls WHERE url = :url"_q);
    other.AddParamText(u":url"_q, kUrl);
    other.ExecSQL(u"INSERT INTO urls (url, contract_subject) VALUES (:url, 'новый')"_q);
    std::thread linking([&] { LinkInnsToUrl(s.db, kUrl, {u"7707083893"_q}); });
    // Let the link wait for the other copy's write lock, then release it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    other.ExecSQL(u"COMMIT"_q);
    linking.join();
    EXPECT_EQ(s.value(u"SELECT count(*) FROM url_inns WHERE url_id NOT IN (SELECT id FROM urls)"_q),
              0);
    EXPECT_EQ(s.only(u"7707083893"_q).ContractSubject, u"новый"_q);
}

TEST(ReplaceContract, OverwritesTheRowAndLinksExactlyTheNewInns) {
    Store s;
    const QString other = kUrl + u"2"_q;
    ReplaceContract(s.db, other, u"b"_q, u"1"_q, u""_q, u""_q, {u"1111111111"_q});
    ReplaceContract(s.db, kUrl, u"old"_q, u"1"_q, u"01.01.2024"_q, u"02.01.2024"_q,
                    {u"1111111111"_q, u"2222222222"_q});
    ReplaceContract(s.db, kUrl, u"new"_q, u"2,5"_q, u""_q, u"03.01.2024"_q,
                    {u"2222222222"_q, u"3333333333"_q});
    EXPECT_EQ(s.urlsOf(u"1111111111"_q), QStringList{other});
    EXPECT_EQ(s.urlsOf(u"3333333333"_q), QStringList{kUrl});
    const TUrlContractInfo info = s.only(u"2222222222"_q);
    EXPECT_EQ(info.ContractSubject, u"new"_q);
    EXPECT_EQ(info.Amount, 2.5);
    EXPECT_EQ(info.ConclusionDate, QString());
    EXPECT_EQ(info.ExecutionDate, u"2024-01-03"_q);
    EXPECT_EQ(s.count(u"urls"_q), 2);
    EXPECT_EQ(s.count(u"url_inns"_q), 3);
}

TEST(ReplaceContract, FailureMidwayLeavesRowAndLinksAsTheyWere) {
    Store s;
    s.db.ExecSQL(
        u"CREATE TRIGGER refuse BEFORE INSERT ON inns WHEN NEW.inn = '6666666666' "
        u"BEGIN SELECT RAISE(ABORT, 'refused'); END"_q);
    ReplaceContract(s.db, kUrl, u"old"_q, u"1"_q, u""_q, u""_q, {u"1111111111"_q});
    EXPECT_THROW(ReplaceContract(s.db, kUrl, u"new"_q, u"2"_q, u""_q, u""_q,
                                 {u"2222222222"_q, u"6666666666"_q}),
                 ESQLiteException);
    EXPECT_TRUE(s.autocommit());
    EXPECT_TRUE(s.noOpenStatements());
    EXPECT_EQ(s.only(u"1111111111"_q).ContractSubject, u"old"_q);
    EXPECT_EQ(s.count(u"url_inns"_q), 1);
    EXPECT_EQ(s.value(u"SELECT count(*) FROM inns WHERE inn = '2222222222'"_q), 0);
    // The connection stays usable for the next card.
    LinkInnsToUrl(s.db, kUrl, {u"2222222222"_q});
    EXPECT_EQ(s.urlsOf(u"2222222222"_q), QStringList{kUrl});
}

TEST(GetContractsByInn, NeverLinkedInnGivesAnEmptyList) {
    Store s;
    EXPECT_TRUE(GetContractsByInn(s.db, u"7707083893"_q).empty());
}

// Cards stored from links whose "&" was still written "&amp;" are the same contracts for the
// decoded address: nothing is stored twice, INNs and pending marks go to the stored row.
TEST(StoredUrlSpelling, DecodedAddressReachesTheContractStoredUnderItsWrittenSpelling) {
    Store s;
    const QString written = kUrl + u"&amp;part=2"_q;
    const QString decoded = kUrl + u"&part=2"_q;
    StoreContract(s.db, written, u"s"_q, u""_q, u""_q, u""_q);
    DatabaseContractSink sink(s.db);
    EXPECT_EQ(StoredUrlSpelling(s.db, decoded), written);
    EXPECT_TRUE(sink.isUrlStored(decoded));
    sink.markFollowUpPending(decoded);
    EXPECT_TRUE(IsFollowUpPending(s.db, written));
    sink.storeContract(decoded, u"s"_q, u""_q, u""_q, u""_q);
    sink.linkInnsToUrl(decoded, {u"7701234567"_q});
    sink.clearFollowUpPending(decoded);
    EXPECT_EQ(s.count(u"urls"_q), 1);
    EXPECT_EQ(s.urlsOf(u"7701234567"_q), QStringList{written});
    EXPECT_FALSE(sink.isFollowUpPending(decoded));
    // A new address is stored as given.
    EXPECT_EQ(StoredUrlSpelling(s.db, kUrl + u"&part=3"_q), kUrl + u"&part=3"_q);
    EXPECT_FALSE(sink.isUrlStored(kUrl + u"&part=3"_q));
}
