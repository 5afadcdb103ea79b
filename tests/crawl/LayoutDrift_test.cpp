#include "crawl/LayoutDrift.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Notes `count` pages of the kind; gives how many warnings fell due.
int Feed(LayoutDriftWatch& watch, int kind, int count, bool lacking) {
    int warnings = 0;
    for (int i = 0; i < count; ++i)
        warnings += watch.note(kind, lacking).due;
    return warnings;
}

}  // namespace

TEST(LayoutDriftWatch, TwentyInARowWarnOnceThenAfterAThousandPagesOfTheKind) {
    LayoutDriftWatch watch;
    EXPECT_EQ(Feed(watch, 1, 19, true), 0);
    EXPECT_EQ(Feed(watch, 2, 30, false), 0);  // another kind neither breaks nor adds to the row
    const LayoutDriftWatch::Drift drift = watch.note(1, true);
    EXPECT_TRUE(drift.due);
    EXPECT_EQ(drift.lackingInRow, 20);
    // 20 pages of the kind so far; the next warning is due at page 1 020.
    EXPECT_EQ(Feed(watch, 1, 999, true), 0);
    EXPECT_EQ(Feed(watch, 1, 1, true), 1);
    // Kinds are watched apart.
    EXPECT_EQ(Feed(watch, 2, 20, true), 1);
}

TEST(LayoutDriftWatch, MoreThanHalfOfTheLastFiftyWarnsWithoutALongRow) {
    LayoutDriftWatch watch;
    // Two lacking pages, then a sound one: never 20 in a row, 2 of every 3 lacking.
    int warnings = 0;
    LayoutDriftWatch::Drift last;
    for (int i = 0; i < 60; ++i) {
        const LayoutDriftWatch::Drift drift = watch.note(1, i % 3 != 2);
        if (drift.due) last = drift;
        warnings += drift.due;
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_GT(last.lackingInWindow, 25);
    EXPECT_LT(last.lackingInRow, 20);

    // Half exactly, or a sound page now and then among thousands, never warns.
    LayoutDriftWatch sound;
    int quiet = 0;
    for (int i = 0; i < 3000; ++i)
        quiet += sound.note(1, i % 2 == 0).due + sound.note(2, i % 40 == 0).due;
    EXPECT_EQ(quiet, 0);
}

TEST(LayoutDriftWatch, WarningNamesTheKindAndTheInspectorWithAPage) {
    LayoutDriftWatch::Drift drift;
    drift.due = true;
    drift.lackingInRow = 20;
    const QString text =
        LayoutDriftWarning(u"карточек контрактов 44-ФЗ"_q, drift, u"https://h/c?x=1"_q);
    EXPECT_TRUE(text.contains(u"изменил разметку карточек контрактов 44-ФЗ"_q))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"20 страниц подряд"_q));
    EXPECT_TRUE(text.contains(u"contract-finder-cli inspect --url https://h/c?x=1 ФАЙЛ"_q));
}
