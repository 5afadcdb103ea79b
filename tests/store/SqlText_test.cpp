#include "store/SqlText.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(SqlQuote, DoublesQuotesAndSplitsAtNul) {
    EXPECT_EQ(SqlQuote(u"O'Brien''s"_q), u"'O''Brien''''s'"_q);
    EXPECT_EQ(SqlQuote(QString()), u"''"_q);
    QString nul = u"a'b"_q;
    nul.append(QChar::Null).append(u"c"_q).append(QChar::Null);
    EXPECT_EQ(SqlQuote(nul), u"'a''b'||char(0)||'c'||char(0)||''"_q);
}

TEST(SqlAmount, DecimalCommaLocaleTakesTheComma) {
    ScopedRegionalFormats formats(QLatin1Char(','), u"dd.MM.yyyy"_q);
    EXPECT_EQ(SqlAmount(u"1234567,89"_q), u"1234567.89"_q);
    EXPECT_EQ(SqlAmount(u" -12,5e3 "_q), u"-12.5e3"_q);
    EXPECT_EQ(SqlAmount(u",5"_q), u".5"_q);
    // The point is no decimal mark here, as in the system's own number parsing.
    EXPECT_EQ(SqlAmount(u"1234567.89"_q), u"NULL"_q);
}

TEST(SqlAmount, DecimalPointLocaleTakesCommaAndPoint) {
    ScopedRegionalFormats formats(QLatin1Char('.'), u"MM/dd/yyyy"_q);
    EXPECT_EQ(SqlAmount(u"1234567,89"_q), u"1234567.89"_q);
    EXPECT_EQ(SqlAmount(u"1234567.89"_q), u"1234567.89"_q);
    EXPECT_EQ(SqlAmount(u"+7"_q), u"+7"_q);
}

TEST(SqlAmount, AnythingButAPlainNumberIsNull) {
    ScopedRegionalFormats formats(QLatin1Char(','), u"dd.MM.yyyy"_q);
    for (const QString& text :
         {QString(), u" "_q, u"abc"_q, u"1,2,3"_q, u"1 234,56"_q, u"1\u00A0234,56"_q, u"inf"_q,
          u"nan"_q, u"1e"_q, u"e5"_q, u"--1"_q, u","_q, u"0x10"_q, u"1e999"_q, u"١٢٣"_q,
          u"1); DROP TABLE urls; --"_q, u"1 OR 1=1"_q})
        EXPECT_EQ(SqlAmount(text), u"NULL"_q) << text.toStdString();
}

TEST(SqlDate, ReadsTheRegionalFormatThenThePortalForm) {
    ScopedRegionalFormats formats(QLatin1Char('.'), u"MM/dd/yyyy"_q);
    EXPECT_EQ(SqlDate(u"03/25/2024"_q), u"'2024-03-25'"_q);
    EXPECT_EQ(SqlDate(u"25.03.2024"_q), u"'2024-03-25'"_q);
    for (const QString& text : {QString(), u"31.02.2024"_q, u"2024-03-25"_q, u"'); --"_q})
        EXPECT_EQ(SqlDate(text), u"NULL"_q) << text.toStdString();
}
