#include "crawl/ResultList.h"

#include "tests/crawl/ResultListRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString search44(const QString& from, const QString& to) {
    return BuildStartAddress(PortalRegistry::Contracts44, from, to);
}

QString dates44(const QString& from, const QString& to) {
    return AppendRange(DateSplitBase(search44(u""_q, u""_q)), u"contractDateFrom"_q, from,
                       u"contractDateTo"_q, to);
}

QString prices44(const QString& day, const QString& from, const QString& to) {
    return AppendRange(search44(day, day), u"contractPriceFrom"_q, from, u"contractPriceTo"_q, to);
}

// The queue as "from-to" pairs read from the address, head first.
QStringList ranges(const ResultListRun& run, const QString& fromName, const QString& toName) {
    QStringList result;
    for (const QString& job : run.jobs())
        result << QueryParamValue(job, fromName) + u'-' + QueryParamValue(job, toName);
    return result;
}

QStringList dateRanges(const ResultListRun& run) {
    return ranges(run, u"contractDateFrom"_q, u"contractDateTo"_q);
}

QStringList priceRanges(const ResultListRun& run) {
    return ranges(run, u"contractPriceFrom"_q, u"contractPriceTo"_q);
}

QString page(const char* name) {
    return TestSupport::readDataText(QString::fromUtf8(name));
}

}  // namespace

TEST(SplitByDate, AYearOf2500RecordsInThreeIntervalsLastFirst) {
    ResultListRun run;
    run.parse(search44(u"01.01.2023"_q, u"31.12.2023"_q),
              page("results44_2500_records_page1.html"));
    EXPECT_EQ(dateRanges(run), QStringList({u"02.09.2023-31.12.2023"_q, u"03.05.2023-01.09.2023"_q,
                                            u"01.01.2023-02.05.2023"_q}));
    EXPECT_EQ(run.jobs().first(), dates44(u"02.09.2023"_q, u"31.12.2023"_q));
    EXPECT_EQ(run.progressBarMax, 3 + 3);
}

TEST(SplitByDate, StepRoundsHalfToEven) {
    ResultListRun run;
    SplitByDate(run.ctx, search44(u""_q, u""_q), PortalRegistry::Contracts44, u"01.01.2023"_q,
                u"06.01.2023"_q, 1000);  // 5 days / 2 parts = 2.5 -> 2
    EXPECT_EQ(dateRanges(run),
              QStringList({u"04.01.2023-06.01.2023"_q, u"01.01.2023-03.01.2023"_q}));
    run.queue = JobQueue();
    SplitByDate(run.ctx, search44(u""_q, u""_q), PortalRegistry::Contracts44, u"01.01.2023"_q,
                u"08.01.2023"_q, 1000);  // 7 days / 2 parts = 3.5 -> 4
    EXPECT_EQ(dateRanges(run),
              QStringList({u"06.01.2023-08.01.2023"_q, u"01.01.2023-05.01.2023"_q}));
}

TEST(SplitByDate, EmptyToDateMeansToday) {
    ResultListRun run;  // today is 15.03.2024
    run.parse(search44(u"01.03.2024"_q, u""_q), page("results44_1500_records_page1.html"));
    EXPECT_EQ(dateRanges(run),
              QStringList({u"09.03.2024-15.03.2024"_q, u"01.03.2024-08.03.2024"_q}));
}

TEST(SplitByDate, ToDateBeforeFromDateQueuesNothing) {
    ResultListRun run;
    run.parse(search44(u"31.12.2023"_q, u"01.01.2023"_q),
              page("results44_2500_records_page1.html"));
    EXPECT_TRUE(run.queue.isEmpty());
    EXPECT_TRUE(run.splitStarted);
    EXPECT_EQ(run.log.size(), 2);
}

TEST(SplitByDate, HugeCountsGiveOneDayIntervalsIn223) {
    ResultListRun run;
    run.parse(BuildStartAddress(PortalRegistry::Contracts223, u"01.01.2023"_q, u"31.12.2023"_q),
              page("results223_more_than_27_million_records_page1.html"));
    ASSERT_EQ(run.queue.size(), 365);
    EXPECT_TRUE(run.jobs().first().endsWith(
        u"&pageNumber=1&sortDirection=false&recordsPerPage=_50&showLotsInfoHidden=false"
        u"&contract223DateFrom=31.12.2023&contract223DateTo=31.12.2023"_q));
    EXPECT_EQ(run.log.first().section(u'\n', 1), u"Нашлось более 27 000 000 записей"_q);
}

// An open from-date once made the whole registry's search fail to split, and nothing of it was
// collected; it now starts at the earliest conclusion date the registries hold.
TEST(SplitSearch, AnOpenFromDateSplitsFromTheEarliestConclusionDate) {
    ResultListRun run;
    run.parse(search44(u""_q, u"31.12.2023"_q), page("results44_2500_records_page1.html"));
    const QStringList parts = dateRanges(run);
    ASSERT_EQ(parts.size(), 3);
    EXPECT_TRUE(parts.last().startsWith(u"01.01.2012-"_q));
    EXPECT_TRUE(parts.first().endsWith(u"-31.12.2023"_q));
    EXPECT_TRUE(run.lostPages.isEmpty());
    // With the to-date open too, the parts run up to today.
    ResultListRun open;
    open.parse(search44(u""_q, u""_q), page("results44_2500_records_page1.html"));
    EXPECT_TRUE(dateRanges(open).first().endsWith(u"-15.03.2024"_q));
}

TEST(SplitSearch, AddressOfNoRegistryIsLogged) {
    ResultListRun run;
    const QString url = u"https://zakupki.gov.ru/epz/order/search/results.html?pageNumber=1&a=1"_q;
    run.parse(url, page("results44_2500_records_page1.html"));
    EXPECT_TRUE(run.queue.isEmpty());
    EXPECT_TRUE(run.log.last().startsWith(u"Ошибка при обработке данных для "_q + url));
    EXPECT_EQ(run.lostPages, QStringList{url});  // the run counts the lost search
}

TEST(SplitByPrice, OneDayOf1500RecordsInTenRanges) {
    ResultListRun run;
    run.parse(search44(u"15.03.2023"_q, u"15.03.2023"_q),
              page("results44_1500_records_page1.html"));
    const QStringList got = priceRanges(run);
    ASSERT_EQ(got.size(), 10);
    EXPECT_EQ(got.first(), u"9000000001-10000000000"_q);
    EXPECT_EQ(got.at(8), u"1000000001-2000000000"_q);
    EXPECT_EQ(got.last(), u"0-1000000000"_q);
    EXPECT_EQ(run.jobs().last(), prices44(u"15.03.2023"_q, u"0"_q, u"1000000000"_q));
}

TEST(SplitByPrice, StepRoundsHalfToEven) {
    ResultListRun run;  // (25 - 0) / 10 = 2.5 -> 2
    SplitByPrice(run.ctx, prices44(u"15.03.2023"_q, u"0"_q, u"25"_q), PortalRegistry::Contracts44);
    const QStringList got = priceRanges(run);
    EXPECT_EQ(got.last(), u"0-2"_q);
    EXPECT_EQ(got.at(got.size() - 2), u"3-4"_q);
    EXPECT_EQ(got.first(), u"25-25"_q);
}

TEST(SplitByPrice, NarrowRangeStillCoversBothBoundsAndEnds) {
    ResultListRun run;
    SplitByPrice(run.ctx, prices44(u"15.03.2023"_q, u"100"_q, u"103"_q),
                 PortalRegistry::Contracts44);
    EXPECT_EQ(priceRanges(run), QStringList({u"103-103"_q, u"102-102"_q, u"100-101"_q}));
}

TEST(SplitByPrice, UsesTheRegistrysPriceNames) {
    ResultListRun run;
    const QString day =
        BuildStartAddress(PortalRegistry::CapitalRepairs, u"01.02.2023"_q, u"01.02.2023"_q) +
        u"&priceFrom=10&priceTo=30"_q;
    run.parse(day, page("results44_1500_records_page1.html"));
    EXPECT_EQ(run.queue.size(), 10);
    EXPECT_TRUE(
        run.jobs().first().endsWith(u"&capitalDateOfContractConclusionTo=01.02.2023"
                                    u"&priceFrom=29&priceTo=30"_q));
}

TEST(SplitSearch, SingleDaySinglePriceSearchIsWalkedNotSplitAgain) {
    ResultListRun run;
    const QString narrowest = prices44(u"15.03.2023"_q, u"500"_q, u"500"_q);
    run.parse(narrowest, page("results44_1500_records_page1.html"));
    EXPECT_FALSE(run.splitStarted);
    EXPECT_TRUE(
        run.log.filter(u"Поиск нельзя разбить дальше, собираем доступные страницы: "_q + narrowest)
            .size() == 1);
    // Its cards are queued instead of the same search again.
    EXPECT_FALSE(run.jobs().contains(narrowest));
    EXPECT_GT(run.tendersCounter, 0);
}

TEST(SplitByPrice, RangeOfTwoPricesGivesOneRangePerPrice) {
    ResultListRun run;
    SplitByPrice(run.ctx, prices44(u"15.03.2023"_q, u"100"_q, u"101"_q),
                 PortalRegistry::Contracts44);
    EXPECT_EQ(priceRanges(run), QStringList({u"101-101"_q, u"100-100"_q}));
}

namespace {

// Handles the first page of every queued search with the same page, head first, until none is
// left; the jobs of other kinds stay.
void ParseQueuedSearches(ResultListRun& run, const QString& html, int limit = 100) {
    for (int n = 0; n < limit && !run.queue.isEmpty() && IsFirstPage(run.queue.jobs().front()); ++n)
        run.parse(run.queue.takeHead(), html);
}

}  // namespace

// A portal that ignores the price filter: every part claims the day's 27 000 000 records. The
// split is not taken further; the day is walked instead, logged once.
TEST(SplitTracker, SplitWhosePartsAllShowTheWholeTotalIsWalkedInstead) {
    ResultListRun run;
    const QString day = search44(u"15.03.2023"_q, u"15.03.2023"_q);
    const QString ignored = page("results223_more_than_27_million_records_page1.html");
    run.parse(day, ignored);
    ASSERT_EQ(run.queue.size(), 10);
    run.log.clear();
    for (int part = 0; part < 9; ++part) {
        run.parse(run.queue.takeHead(), ignored);
        EXPECT_EQ(run.tendersCounter, 0);  // held: neither split nor walked yet
    }
    EXPECT_EQ(run.queue.size(), 1);
    run.parse(run.queue.takeHead(), ignored);
    EXPECT_EQ(run.jobs(), QStringList{day});
    EXPECT_EQ(run.log.filter(u"Портал не применяет фильтр поиска"_q).size(), 1);
    EXPECT_TRUE(run.log.last().endsWith(u": "_q + day));
    run.log.clear();
    run.parse(run.queue.takeHead(), ignored);  // the day again: walked, not split
    EXPECT_EQ(run.tendersCounter, 1);
    EXPECT_TRUE(run.log.filter(u"Разбиваем"_q).isEmpty());

    // Another day with the same portal: walked again, without another line.
    const QString other = search44(u"16.03.2023"_q, u"16.03.2023"_q);
    while (!run.queue.isEmpty())
        run.queue.takeHead();
    run.queue.addTail(other);
    ParseQueuedSearches(run, ignored);
    EXPECT_EQ(run.log.filter(other + u"\r\nНашлось"_q).size(), 2);  // split, then walked
    EXPECT_EQ(run.tendersCounter, 1);  // its one card was queued already
    EXPECT_TRUE(run.log.filter(u"Портал не применяет фильтр поиска"_q).isEmpty());
}

// One part holds the whole total, the others report fewer (or nothing, or failed): the filter
// works, and the held part is split after all.
TEST(SplitTracker, PartWithTheWholeTotalIsSplitOnceASiblingDiffers) {
    for (const int sibling : {0, 1, 2}) {
        ResultListRun run;
        const QString day = search44(u"15.03.2023"_q, u"15.03.2023"_q);
        const QString full = page("results44_1500_records_page1.html");
        run.parse(day, full);
        ASSERT_EQ(run.queue.size(), 10);
        const QString whole = run.queue.takeHead();
        run.parse(whole, full);
        EXPECT_EQ(run.queue.size(), 9);  // held
        const QString next = run.queue.takeHead();
        if (sibling == 0) run.parse(next, page("results44_999_records_page1.html"));
        if (sibling == 1) run.parse(next, page("results_search_without_results.html"));
        if (sibling == 2) ResultPageNotRead(run.ctx, next);
        // The held part's ten ranges came in at the head.
        const qint64 from = QueryParamValue(whole, u"contractPriceFrom"_q).toLongLong();
        int inside = 0;
        for (const QString& job : run.jobs()) {
            const qint64 low = QueryParamValue(job, u"contractPriceFrom"_q).toLongLong();
            inside += job != whole && low >= from;
        }
        EXPECT_EQ(inside, 10) << sibling;
        EXPECT_EQ(QueryParamValue(run.jobs().front(), u"contractPriceTo"_q), u"10000000000"_q);
    }
}
