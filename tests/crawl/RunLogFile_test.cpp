#include "crawl/RunLogFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(RunLogFile, LinesGoToTheFileAsTheWindowShowsThem) {
    QTemporaryDir dir;
    RunLogFile log;
    log.open(dir.filePath(QStringLiteral("log1.txt")));
    EXPECT_TRUE(log.append(QStringLiteral("a: Нашлось\r\nдве строки")));
    EXPECT_TRUE(log.append(QStringLiteral("b\nc")));
    EXPECT_TRUE(log.close());
    QFile file(dir.filePath(QStringLiteral("log1.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QByteArray("\xEF\xBB\xBF") +
                  QStringLiteral("a: Нашлось\r\nдве строки\r\nb\r\nc\r\n").toUtf8());
}

TEST(RunLogFile, AFullDiskIsKeptAsTheReason) {
    RunLogFile log;
    log.open(QStringLiteral("/dev/full"));
    EXPECT_FALSE(log.append(QStringLiteral("line")));
    EXPECT_FALSE(log.close());
    EXPECT_FALSE(log.failure().isEmpty());
}

// Two copies started at once pick the same free name; the one that comes second takes the next.
TEST(RunLogFile, ANameTakenSinceItWasChosenGivesWayToTheNext) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    RunLogFile first, second;
    EXPECT_EQ(first.openNew(folder, QStringLiteral("log7.txt")), QStringLiteral("log7.txt"));
    EXPECT_EQ(second.openNew(folder, QStringLiteral("log7.txt")), QStringLiteral("log7_2.txt"));
    EXPECT_TRUE(second.append(QStringLiteral("line")));
    EXPECT_TRUE(first.close() && second.close());
    EXPECT_EQ(second.path(), folder + QStringLiteral("log7_2.txt"));

    RunLogFile refused;  // a folder that does not exist: no endless search for a name
    EXPECT_EQ(refused.openNew(folder + QStringLiteral("absent/"), QStringLiteral("log7.txt")),
              QStringLiteral("log7.txt"));
    EXPECT_FALSE(refused.failure().isEmpty());
}
