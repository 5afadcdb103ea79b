#include "crawl/ResultList.h"

#include "store/SQLiteWrap.h"
#include "tests/crawl/ResultListRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kSearch =
    BuildStartAddress(PortalRegistry::Contracts44, u"01.01.2023"_q, u"31.12.2023"_q);
const QString kCard1 =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=2410104019823000011"_q;
const QString kCard2 =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=3410101234523000007"_q;
const QString kCard3 =
    u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=2770101234523000123"_q;

QString page(const char* name) {
    return TestSupport::readDataText(QString::fromUtf8(name));
}

}  // namespace

TEST(ParseResultList, WalksAFirstPageBelowTheThreshold) {
    ResultListRun run;
    run.parse(kSearch, page("results44_999_records_page1.html"));
    EXPECT_EQ(run.jobs(), QStringList({kCard1, kCard2, kCard3, NextPageAddress(kSearch, u"2"_q)}));
    EXPECT_EQ(run.log, QStringList{kSearch + u"\r\nНашлось 999 записей"_q});
    EXPECT_EQ(run.progressBarMax, 3 + 4);
    EXPECT_EQ(run.tendersCounter, 3);
    EXPECT_EQ(run.counterUpdates, 1);
    EXPECT_FALSE(run.splitStarted);
}

TEST(ParseResultList, SplitsAtTheThresholdWithoutTakingEntries) {
    ResultListRun run;
    run.parse(kSearch, page("results44_1000_records_page1.html"));
    EXPECT_TRUE(run.splitStarted);
    EXPECT_EQ(run.tendersCounter, 0);
    EXPECT_EQ(run.counterUpdates, 1);
    for (const QString& job : run.jobs())
        EXPECT_TRUE(IsFirstPage(job)) << job.toStdString();
    EXPECT_EQ(run.jobs().size(), 2);  // 364 days in two parts, no card, no next page
    EXPECT_EQ(run.progressBarMax, 3 + 2);
    EXPECT_EQ(run.log, QStringList({kSearch + u"\r\nНашлось 1 000 записей"_q,
                                    u"Разбиваем длинный интервал на несколько мелких, с текущей "
                                    u"ссылки контракты не собираем."_q}));
}

TEST(ParseResultList, LaterPagesAreWalkedWhateverTheirCount) {
    ResultListRun run;
    const QString url = NextPageAddress(kSearch, u"10"_q);
    run.parse(url, page("results44_page10_of_12.html"));
    EXPECT_EQ(run.jobs(), QStringList({kCard1, kCard2, NextPageAddress(kSearch, u"11"_q)}));
    EXPECT_TRUE(run.log.isEmpty());
}

TEST(ParseResultList, StoredCardsAreLoggedNotQueued) {
    ResultListRun run;
    run.stored.insert(kCard2);
    run.parse(NextPageAddress(kSearch, u"10"_q), page("results44_page10_of_12.html"));
    EXPECT_EQ(run.jobs().first(), kCard1);
    EXPECT_EQ(run.log, QStringList{u"URL обработан ранее: "_q + kCard2});
    EXPECT_EQ(run.tendersCounter, 1);
    EXPECT_EQ(run.progressBarMax, 3 + 2);
}

TEST(ParseResultList, RelativeLinksGetThePortalBaseAndOtherHostsAreRefused) {
    SetPortalBase(u"https://127.0.0.1:8443"_q);
    ResultListRun run;
    const QString url = NextPageAddress(kSearch, u"10"_q);
    run.parse(url, page("results44_page10_of_12.html"));
    SetPortalBase(u"https://zakupki.gov.ru"_q);
    EXPECT_EQ(run.jobs().at(0),
              u"https://127.0.0.1:8443/epz/contract/contractCard/common-info.html?"
              u"reestrNumber=2410104019823000011"_q);
    // The page's absolute link names a host other than the portal's: never fetched.
    EXPECT_FALSE(run.jobs().contains(kCard2));
    EXPECT_EQ(run.log, QStringList{u"Ошибка? Недопустимая ссылка на карточку в "_q + url + u": "_q +
                                   kCard2});
    EXPECT_EQ(run.tendersCounter, 1);
}

TEST(ParseResultList, HostileCardLinksAreLoggedNotQueued) {
    const QString head = u"<div class=\"search-results__total\">3 записи</div>"_q;
    const auto entry = [](const QString& link) {
        return u"<div class=\"search-registry-entry-block\"><div class=\"registry-entry__"
               u"header-mid__number\"><a href=\""_q +
               link + u"\">№</a></div></div>"_q;
    };
    ResultListRun run;
    run.parse(NextPageAddress(kSearch, u"2"_q),
              head + entry(u"https://zakupki.gov.ru.attacker.example/epz/x"_q) +
                  entry(u"/epz/x?a=1|||https://attacker.example/"_q) +
                  entry(u"javascript:alert(1)"_q) + entry(u"/epz/ok?n=1"_q));
    EXPECT_EQ(run.jobs(), QStringList{u"https://zakupki.gov.ru/epz/ok?n=1"_q});
    EXPECT_EQ(run.log.size(), 3);
    for (const QString& line : run.log)
        EXPECT_TRUE(line.startsWith(u"Ошибка? Недопустимая ссылка на карточку в "_q));
}

TEST(ParseResultList, ArrowWithoutAFollowingPageQueuesNoNextPage) {
    ResultListRun run;
    run.parse(NextPageAddress(kSearch, u"12"_q), page("results44_arrow_on_last_page.html"));
    EXPECT_EQ(run.jobs(), QStringList({kCard1, kCard2}));
}

TEST(ParseResultList, NoResultsLineOnlyBeforeTheFirstSplit) {
    ResultListRun run;
    run.parse(kSearch, page("results_search_without_results.html"));
    EXPECT_EQ(run.log, QStringList{u"Поиск с данными параметрами не дал результатов: "_q + kSearch +
                                   u"\r\n"_q});
    EXPECT_EQ(run.counterUpdates, 0);
    run.log.clear();
    run.splitStarted = true;
    run.parse(kSearch, page("results_search_without_results.html"));
    EXPECT_TRUE(run.log.isEmpty());
    EXPECT_TRUE(run.queue.isEmpty());
}

TEST(ParseResultList, PageWithoutAnyResultMarkupIsAnErrorBeforeAndAfterASplit) {
    const QString maintenance = u"<html><h1>Ведутся технические работы</h1></html>"_q;
    for (const bool split : {false, true}) {
        ResultListRun run;
        run.splitStarted = split;
        run.parse(kSearch, maintenance);
        EXPECT_EQ(run.log, QStringList{u"Ошибка? Страница без списка результатов: "_q + kSearch});
        EXPECT_TRUE(run.queue.isEmpty());
    }
}

TEST(ParseResultList, PageWithoutRecordCountStillQueuesItsNextPage) {
    ResultListRun run;
    run.parse(kSearch, page("results44_total_without_count.html"));
    EXPECT_EQ(run.log, QStringList{u"Не найдено количество записей: "_q + kSearch + u"\r\n"_q});
    EXPECT_EQ(run.jobs(), QStringList{NextPageAddress(kSearch, u"2"_q)});
    EXPECT_EQ(run.counterUpdates, 0);
}

TEST(ParseResultList, EntryWithoutAnyLinkIsSkipped) {
    ResultListRun run;
    run.parse(NextPageAddress(kSearch, u"2"_q),
              u"<div class=\"search-results__total\">5 записей</div>"
              u"<div class=\"search-registry-entry-block\"><div class=\"registry-entry__header-"
              u"mid__number\">№ 1</div></div>"
              u"<div class=\"search-registry-entry-block\"><div class=\"registry-entry__header-"
              u"mid__number\"><a href=\"/c?n=2\">№ 2</a></div></div>"_q);
    EXPECT_EQ(run.jobs(), QStringList{u"https://zakupki.gov.ru/c?n=2"_q});
}

// A card listed on two pages, or a hundred thousand times on one, is queued once in a run,
// and a page that names itself as the next one is not queued again.
TEST(ParseResultList, ACardOrPageListedAgainIsQueuedOnce) {
    ResultListRun run;
    run.parse(NextPageAddress(kSearch, u"10"_q), page("results44_page10_of_12.html"));
    run.parse(NextPageAddress(kSearch, u"10"_q), page("results44_page10_of_12.html"));
    EXPECT_EQ(run.jobs().count(kCard1), 1);
    EXPECT_EQ(run.jobs().count(NextPageAddress(kSearch, u"11"_q)), 1);
    EXPECT_EQ(run.tendersCounter, 2);
    EXPECT_EQ(run.progressBarMax, 3 + 3);

    ResultListRun listed;
    listed.stored.insert(kCard2);
    const QString entry =
        u"<div class=\"search-registry-entry-block\"><div class=\"registry-entry__"
        u"header-mid__number\"><a href=\""_q;
    QString html = u"<div class=\"search-results__total\">3 записи</div>"_q;
    for (int i = 0; i < 100000; ++i)
        html += entry + (i % 2 ? kCard1 : kCard2) + u"\">№</a></div></div>"_q;
    const QString self = NextPageAddress(kSearch, u"2"_q);
    listed.queue.addTail(self);  // the page itself was queued to be fetched
    listed.parse(self, html +
                           u"<a class=\"page__link_active\">2</a><li class=\"page\">"
                           u"<a onclick=\"goToPage(2)\">2</a></li><img src=\"arrow-prime.svg\" "
                           u"alt=\"\">"_q);
    EXPECT_EQ(listed.jobs(), QStringList({self, kCard1}));
    EXPECT_EQ(listed.log, QStringList{u"URL обработан ранее: "_q + kCard2});
}

TEST(ReadRecordCount, ReadsOnlyTheDigits) {
    EXPECT_EQ(ReadRecordCount(u"1 2 3 4"_q), 1234);
    EXPECT_EQ(ReadRecordCount(u"более 27\u00A0000\u00A0000"_q), 27000000);
    EXPECT_EQ(ReadRecordCount(u"много"_q), 0);
    EXPECT_GE(ReadRecordCount(u"99999999999999999999999999"_q), kSplitThreshold);
}

TEST(ParseResultList, ADatabaseFailureIsThrownOnAndAPageFaultLogged) {
    ResultListRun run;
    run.ctx.isUrlStored = [](const QString&) -> bool {
        throw ESQLiteException(u"database is locked"_q, 5);
    };
    EXPECT_THROW(run.parse(kSearch, page("results44_999_records_page1.html")), ESQLiteException);

    ResultListRun faulty;
    faulty.ctx.isUrlStored = [](const QString&) -> bool { throw EGeneralError(u"сбой"_q); };
    faulty.parse(kSearch, page("results44_999_records_page1.html"));
    EXPECT_EQ(faulty.log.last(), u"Ошибка при обработке данных для "_q + kSearch + u": сбой"_q);
}

// A first page with a megabyte before " записей": the log line quotes its start only.
TEST(ParseResultList, MegabyteRecordCountIsCutInTheLog) {
    ResultListRun run;
    run.parse(kSearch, u"<div class=\"search-results__total\">"_q + QString(1 << 20, u'1') +
                           u" записей</div>"_q);
    ASSERT_FALSE(run.log.isEmpty());
    EXPECT_TRUE(run.log.first().startsWith(kSearch + u"\r\nНашлось 111"_q));
    EXPECT_LT(run.log.first().size(), kSearch.size() + 400);
}

// A page that spells one card's link two ways queues one card.
TEST(ParseResultList, OneCardSpeltTwoWaysIsQueuedOnce) {
    ResultListRun run;
    const QString entry =
        u"<div class=\"search-registry-entry-block\"><div class=\"registry-entry__header-"
        u"mid__number\"><a href=\"%1\">№ 1</a></div></div>"_q;
    run.parse(NextPageAddress(kSearch, u"2"_q),
              u"<div class=\"search-results__total\">2 записи</div>"_q +
                  entry.arg(u"/epz/../epz/contract/contractCard/common-info.html?reestrNumber="
                            u"2410104019823000011"_q) +
                  entry.arg(u"/epz/contract/contractCard/common-info.html?reestrNumber="
                            u"2410104019823000011"_q));
    EXPECT_EQ(run.jobs(), QStringList{kCard1});
}
