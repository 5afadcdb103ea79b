#include "crawl/SupplierSearchCheck.h"

#include "crawl/StartSearches.h"
#include "tests/crawl/ResultListRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kInn1 = u"7707083893"_q;
const QString kInn2 = u"500100732259"_q;

QString Unfiltered() {
    return BuildStartAddress(PortalRegistry::Contracts44, u"01.01.2023"_q, u"31.12.2023"_q);
}

QString ByInn(const QString& inn) {
    return WithQueryParam(Unfiltered(), u"supplierTitle"_q, inn);
}

QString Page(const char* name) {
    return TestSupport::readDataText(QString::fromUtf8(name));
}

// A run of the search by INN for the two INNs in 44-FZ.
struct ByInnRun : ResultListRun {
    ByInnRun() {
        checkSupplierSearches();
        supplierCheck.startSearchQueued(ByInn(kInn1));
        supplierCheck.startSearchQueued(ByInn(kInn2));
    }
    std::vector<SupplierSearchFigures> figures() const {
        return supplierCheck.figures([](const QString&) { return false; },
                                     [](const QString&) { return QSet<QString>(); });
    }
};

}  // namespace

// Without the guard, a portal that ignores the filter would have every INN crawl the whole
// registry; with it, the run pays one request per registry.
TEST(SupplierSearchCheck, AFilterThePortalIgnoresCostsOneRequestAndIsNotWalked) {
    ByInnRun run;
    run.parse(ByInn(kInn1), Page("results44_1500_records_page1.html"));
    ASSERT_EQ(run.jobs(), QStringList{Unfiltered()});
    run.parse(ByInn(kInn2), Page("results44_1500_records_page1.html"));
    ASSERT_EQ(run.jobs(), QStringList{Unfiltered()});  // asked once per registry
    run.queue.takeForStart(1, 0);
    run.parse(Unfiltered(), Page("results44_1500_records_page1.html"));
    EXPECT_TRUE(run.queue.isEmpty());
    EXPECT_EQ(run.log.filter(u"не применяет фильтр по поставщику в реестре 44-ФЗ"_q).size(), 1);
    EXPECT_EQ(run.log.filter(u"SupplierFilter44"_q).size(), 1);
    const auto figures = run.figures();
    ASSERT_EQ(figures.size(), 2u);
    for (const SupplierSearchFigures& f : figures) {
        EXPECT_TRUE(f.filterIgnored);
        EXPECT_EQ(f.reported, 1500);
    }
    EXPECT_EQ(run.supplierCheck.ignoredFilterLines().size(), 1);
}

TEST(SupplierSearchCheck, AFilterThatNarrowsTheSearchSplitsAsUsual) {
    ByInnRun run;
    run.parse(ByInn(kInn1), Page("results44_1500_records_page1.html"));
    run.queue.takeForStart(1, 0);
    run.parse(Unfiltered(), Page("results44_2500_records_page1.html"));
    // 1500 of 2500 records: the held search is split by date, the filter kept in each part.
    QStringList parts = run.jobs();
    ASSERT_EQ(parts.size(), 2);
    for (const QString& part : parts)
        EXPECT_EQ(QueryParamValue(part, u"supplierTitle"_q), kInn1);
    // Once the total is known, the next INN's search is judged at once.
    run.parse(ByInn(kInn2), Page("results44_1500_records_page1.html"));
    EXPECT_EQ(run.queue.size(), 4);
    EXPECT_TRUE(run.log.filter(u"не применяет фильтр"_q).isEmpty());
    EXPECT_FALSE(run.figures()[1].filterIgnored);
}

TEST(SupplierSearchCheck, AnUnreadTotalLetsTheHeldSearchesGoOnUnchecked) {
    ByInnRun run;
    run.parse(ByInn(kInn1), Page("results44_1500_records_page1.html"));
    run.queue.takeForStart(1, 0);
    ResultPageNotRead(run.ctx, Unfiltered());
    EXPECT_EQ(run.queue.size(), 2);
    EXPECT_EQ(run.log.filter(u"не проверено"_q).size(), 1);
    EXPECT_TRUE(run.lostPages.isEmpty());  // the unfiltered search is no search of the run
}

TEST(SupplierSearchCheck, SmallSearchesAreWalkedWithoutAskingTheTotal) {
    ByInnRun run;
    run.parse(ByInn(kInn1), Page("results44_999_records_page1.html"));
    EXPECT_FALSE(run.jobs().contains(Unfiltered()));
    EXPECT_GT(run.tendersCounter, 0);
    run.parse(ByInn(kInn2), Page("results_search_without_results.html"));
    const auto figures = run.figures();
    EXPECT_EQ(figures[0].reported, 999);
    EXPECT_EQ(figures[0].listed, run.tendersCounter);
    EXPECT_EQ(figures[1].reported, 0);
}

TEST(SupplierSearchCheck, CountsListedReadAndNamingCardsPerInn) {
    SupplierSearchCheck check;
    check.startSearchQueued(ByInn(kInn1));
    check.startSearchQueued(ByInn(kInn2));
    QStringList cards;
    for (int i = 0; i < 12; ++i)
        cards << u"https://zakupki.gov.ru/card?n="_q + QString::number(i);
    // Pages after the first and split parts count for the same INN; a card twice, once.
    for (const QString& card : cards)
        check.cardListed(NextPageAddress(ByInn(kInn1), u"2"_q), card);
    check.cardListed(ByInn(kInn1), cards[0]);
    check.cardListed(ByInn(kInn2), cards[0]);
    for (int i = 0; i < 10; ++i)
        check.cardRead(cards[i]);
    const QSet<QString> naming{cards[0], cards[1], cards[2], cards[3], cards[4]};
    const auto figures = check.figures(
        [](const QString&) { return true; },
        [&naming](const QString& inn) { return inn == kInn1 ? naming : QSet<QString>(); });
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].listed, 12);
    EXPECT_EQ(figures[0].read, 10);
    EXPECT_EQ(figures[0].stored, 12);
    EXPECT_EQ(figures[0].named, 5);
    EXPECT_EQ(figures[1].listed, 1);
    EXPECT_EQ(figures[1].read, 1);
    EXPECT_EQ(figures[1].named, 0);

    // 5 of 12 name the INN: the filter seems to select other cards; 1 card is too few to judge.
    const QStringList warnings = PrecisionWarnings(figures);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(u"44-ФЗ"_q));
    EXPECT_TRUE(warnings[0].contains(u"ИНН 7707083893 — в 5 из 12"_q));
    EXPECT_TRUE(warnings[0].contains(u"SupplierFilter44"_q));
    auto half = figures;
    half[0].named = 6;
    EXPECT_TRUE(PrecisionWarnings(half).isEmpty());
}
