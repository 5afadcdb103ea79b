// The days a watch searches, from the history of runs in a real database file.
#include "app/WatchDates.h"
#include "store/ContractStore.h"
#include "store/RunHistory.h"
#include "store/SQLiteWrap.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class WatchDatesTest : public ::testing::Test {
protected:
    void SetUp() override { CreateSchema(db); }

    void recordWatch(const QDate& to, RunEnd end, RunMode mode = RunMode::Watch) {
        RunRecord run;
        run.started = QDateTime(to, QTime(9, 0));
        run.ended = QDateTime(to, QTime(9, 5));
        run.mode = mode;
        run.from = to.addDays(-30);
        run.to = to;
        run.inns = {u"7707083893"_q};
        run.end = end;
        if (end == RunEnd::Failed) run.failure = u"портал не ответил"_q;
        RecordRun(db, run);
    }

    WatchDates datesOn(const QDate& today, int overlap = 7) {
        return WatchDatesFor(LastSuccessfulWatch(db), overlap, today);
    }

    QTemporaryDir dir;
    TSQLiteDatabase db{dir.path() + u"/db.s3db"_q};
};

TEST_F(WatchDatesTest, TheFirstWatchSearchesTheLastThirtyDays) {
    // A run of the window is no watch.
    recordWatch(QDate(2026, 12, 1), RunEnd::Done, RunMode::Window);
    const WatchDates dates = datesOn(QDate(2026, 12, 10));
    EXPECT_EQ(dates.from, QDate(2026, 11, 10));
    EXPECT_EQ(dates.to, QDate(2026, 12, 10));
    EXPECT_TRUE(dates.logLine.contains(u"первая проверка"_q));
}

TEST_F(WatchDatesTest, AWatchReachesBackFromTheLastSuccessfulOneByTheOverlap) {
    recordWatch(QDate(2026, 12, 5), RunEnd::Done);
    EXPECT_EQ(datesOn(QDate(2026, 12, 10)).from, QDate(2026, 11, 28));
    EXPECT_EQ(datesOn(QDate(2026, 12, 10), 0).from, QDate(2026, 12, 5));
    // A clock set back never gives a window that ends before it begins.
    EXPECT_EQ(datesOn(QDate(2026, 11, 1), 0).from, QDate(2026, 11, 1));

    // Failed, stopped and incomplete watches leave it where it was.
    recordWatch(QDate(2026, 12, 8), RunEnd::Failed);
    recordWatch(QDate(2026, 12, 9), RunEnd::Stopped);
    recordWatch(QDate(2026, 12, 10), RunEnd::Incomplete);
    EXPECT_EQ(datesOn(QDate(2026, 12, 11)).from, QDate(2026, 11, 28));
    recordWatch(QDate(2026, 12, 11), RunEnd::Done);
    EXPECT_EQ(datesOn(QDate(2026, 12, 12)).from, QDate(2026, 12, 4));
}

TEST_F(WatchDatesTest, FailuresInARowCountFromTheLastWatchThatDidNotFail) {
    EXPECT_EQ(FailedWatchesInARow(db), 0);
    for (int day = 1; day <= 3; ++day)
        recordWatch(QDate(2026, 12, day), RunEnd::Failed);
    EXPECT_EQ(FailedWatchesInARow(db), 3);
    recordWatch(QDate(2026, 12, 4), RunEnd::Failed, RunMode::Window);  // not a watch
    EXPECT_EQ(FailedWatchesInARow(db), 3);
    recordWatch(QDate(2026, 12, 5), RunEnd::Done);
    recordWatch(QDate(2026, 12, 6), RunEnd::Failed);
    EXPECT_EQ(FailedWatchesInARow(db), 1);

    // The rows read back as written.
    const auto runs = LastRuns(db, 2, RunMode::Watch);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].end, RunEnd::Failed);
    EXPECT_EQ(runs[0].failure, u"портал не ответил"_q);
    EXPECT_EQ(runs[0].to, QDate(2026, 12, 6));
    EXPECT_EQ(runs[0].inns, QStringList{u"7707083893"_q});
    EXPECT_EQ(runs[1].end, RunEnd::Done);
}

}  // namespace
