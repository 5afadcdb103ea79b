#include "report/InnListCheck.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(InnListCheck, ChecksumsOfTenAndTwelveDigitInns) {
    EXPECT_TRUE(IsValidInn(u"7707083893"_q));
    EXPECT_TRUE(IsValidInn(u"500100732259"_q));
    EXPECT_FALSE(IsValidInn(u"7707083894"_q));    // last check digit wrong
    EXPECT_FALSE(IsValidInn(u"500100732258"_q));  // second check digit of twelve wrong
    EXPECT_FALSE(IsValidInn(u"500100732269"_q));  // first check digit of twelve wrong
    EXPECT_FALSE(IsValidInn(u"12345678901"_q));
    EXPECT_FALSE(IsValidInn(u"77070838x3"_q));
    EXPECT_FALSE(IsValidInn(u""_q));
}

TEST(InnListCheck, EveryBadLineIsNamedWithItsNumber) {
    const QString list =
        u"7707083893\r\n"
        u"\r\n"
        u"12345678901\r\n"
        u"Группа\tФирма\t7707083894\r\n"
        u"7707083893;725200258103\r\n"
        u"3490 3037 8720\r\n"
        u"ИНН: 7707083893\r\n"
        u"Группа\t500100732259\r\n"_q;
    EXPECT_EQ(InnListWarnings(list),
              (QStringList{
                  u"Строка 3 списка ИНН: \"12345678901\" — не ИНН: нужно 10 или 12 цифр"_q,
                  u"Строка 4 списка ИНН: \"Группа Фирма 7707083894\" — неверные контрольные "
                  u"цифры ИНН"_q,
                  u"Строка 5 списка ИНН: \"7707083893;725200258103\" — в строке несколько ИНН "
                  u"(7707083893, 725200258103): укажите по одному ИНН в строке"_q,
                  u"Строка 6 списка ИНН: \"3490 3037 8720\" — не ИНН: нужно 10 или 12 цифр"_q,
                  u"Строка 7 списка ИНН: \"ИНН: 7707083893\" — не ИНН: нужно 10 или 12 цифр"_q,
              }));
    EXPECT_EQ(ValidInns(list), (QStringList{u"7707083893"_q, u"500100732259"_q}));
}

namespace {

// A list of `count` distinct valid ten-digit INNs, one a line.
QStringList ManyValidInns(int count) {
    QStringList inns;
    for (int n = 0; n < count; ++n) {
        const QString base = QString::number(100000000 + n);
        for (int digit = 0; digit <= 9; ++digit) {
            if (IsValidInn(base + QString::number(digit))) {
                inns << base + QString::number(digit);
                break;
            }
        }
    }
    return inns;
}

}  // namespace

// A list of 100 000 lines (each INN twice) is read whole, once per INN, and a
// stop ends the reading.
TEST(InnListCheck, HundredThousandLinesAreReadAndAStopEndsTheReading) {
    const QStringList inns = ManyValidInns(50000);
    ASSERT_EQ(inns.size(), 50000);
    const QString list = (inns + inns).join(u'\n');
    EXPECT_EQ(ValidInns(list), inns);
    EXPECT_TRUE(InnListWarnings(list).isEmpty());

    int asked = 0;
    const auto stopAtOnce = [&asked] {
        ++asked;
        return true;
    };
    EXPECT_TRUE(ValidInns(list, stopAtOnce).isEmpty());
    EXPECT_TRUE(InnListWarnings(u"x\n"_q + list, stopAtOnce).isEmpty());
    EXPECT_EQ(asked, 2);
}
