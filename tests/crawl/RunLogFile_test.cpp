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
