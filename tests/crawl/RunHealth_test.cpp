#include "crawl/RunHealth.h"
#include "crawl/LogFileName.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(LogFileName, ATakenNameGetsASuffix) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    EXPECT_EQ(FreeLogFileName(programDir, 42), u"log42.txt"_q);
    EXPECT_EQ(FreeLogFileName(programDir, -7), u"log-7.txt"_q);
    for (const QString& name : {u"log42.txt"_q, u"log42_2.txt"_q}) {
        QFile file(programDir + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(FreeLogFileName(programDir, 42), u"log42_3.txt"_q);
    // A name chosen at the start is kept unless the file appeared meanwhile.
    EXPECT_EQ(KeepLogFileNameFree(programDir, u"log43.txt"_q), u"log43.txt"_q);
    EXPECT_EQ(KeepLogFileNameFree(programDir, u"log42_2.txt"_q), u"log42_3.txt"_q);
}

TEST(RunHealth, NoPageOrNoStartSearchIsAFailure) {
    const QString base = u"https://portal"_q;
    const QStringList starts = {u"s223"_q, u"sCap"_q, u"s44"_q};
    RunHealth fine;
    for (const QString& start : starts)
        fine.startSearchQueued(start);
    fine.jobFinished(u"s223"_q, -1);
    fine.jobFinished(u"sCap"_q, 1);
    EXPECT_TRUE(fine.failureText(base).isEmpty());

    RunHealth nothing;
    for (const QString& start : starts)
        nothing.startSearchQueued(start);
    for (const QString& start : starts)
        nothing.jobFinished(start, -1);
    EXPECT_TRUE(nothing.noPageReceived());
    EXPECT_TRUE(nothing.failureText(base).startsWith(
        u"не получено ни одной страницы портала https://portal"_q));

    RunHealth startsFailed = nothing;
    startsFailed.jobFinished(u"https://portal/card"_q, 2);  // a page, but no search read
    EXPECT_FALSE(startsFailed.noPageReceived());
    EXPECT_TRUE(startsFailed.startSearchesFailed());
    EXPECT_TRUE(startsFailed.failureText(base).startsWith(
        u"не загрузился ни один из трёх начальных поисков портала"_q));
}
