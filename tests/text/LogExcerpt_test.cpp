#include "text/LogExcerpt.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(LogExcerpt, ShortTextStaysWhole) {
    EXPECT_EQ(LogExcerpt(u"1 234"), u"1 234"_q);
}

// A megabyte where a record count belongs reaches the log as its start and a count.
TEST(LogExcerpt, MegabyteIsCutToItsStart) {
    const QString page(1024 * 1024, QLatin1Char('7'));
    EXPECT_EQ(LogExcerpt(page),
              QString(kMaxLogExcerpt, QLatin1Char('7')) +
                  QStringLiteral("… (ещё %1 знаков)").arg(page.size() - kMaxLogExcerpt));
}

TEST(LogExcerpt, NeverCutsASurrogatePair) {
    const QString text = QString(kMaxLogExcerpt - 1, QLatin1Char('a')) + QStringLiteral("😀😀");
    const QString excerpt = LogExcerpt(text);
    EXPECT_FALSE(excerpt.at(kMaxLogExcerpt - 2).isHighSurrogate());
    EXPECT_TRUE(
        excerpt.startsWith(QString(kMaxLogExcerpt - 1, QLatin1Char('a')) + QStringLiteral("…")));
}
