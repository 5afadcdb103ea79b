#include "report/ReportReader.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<QStringList> records(const QString& text) {
    ReportReader reader(text);
    std::vector<QStringList> all;
    QStringList fields;
    while (reader.next(fields))
        all.push_back(fields);
    return all;
}

}  // namespace

TEST(ReportReader, ReadsQuotedTabSeparatedRecords) {
    const auto all = records(
        u"\"a\"\t\"b\"\t\"c\"\t\"1,00\"\t\"\"\t\"f\"\r\n"
        u"\"ИНН\"\t\"u\"\t\"Предмет\"\t\"0.00\"\t\"2024-03-25\"\t\"\"\r\n"_q);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], QStringList({u"a"_q, u"b"_q, u"c"_q, u"1,00"_q, u""_q, u"f"_q}));
    EXPECT_EQ(all[1],
              QStringList({u"ИНН"_q, u"u"_q, u"Предмет"_q, u"0.00"_q, u"2024-03-25"_q, u""_q}));
}

TEST(ReportReader, ASubjectWithTabsQuotesAndLineBreaksStaysOneField) {
    const auto all = records(
        u"\"1\"\t\"u\"\t\"a\t\"b\"\r\nc\"\t\"2,00\"\t\"d\"\t\"e\"\r\n"
        u"\"2\"\t\"v\"\t\"x\"\t\"3,00\"\t\"\"\t\"\""_q);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], QStringList({u"1"_q, u"u"_q, u"a\t\"b\"\r\nc"_q, u"2,00"_q, u"d"_q, u"e"_q}));
    EXPECT_EQ(all[1], QStringList({u"2"_q, u"v"_q, u"x"_q, u"3,00"_q, u""_q, u""_q}));
}

TEST(ReportReader, OtherLinesAreSplitAtTabsAndBlankLinesSkipped) {
    const auto all = records(u"plain\t\"quoted\"\r\n\r\n\"short\"\t\"line\"\n"_q);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], QStringList({u"plain"_q, u"quoted"_q}));
    EXPECT_EQ(all[1], QStringList({u"short"_q, u"line"_q}));
}
