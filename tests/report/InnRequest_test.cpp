#include "report/InnRequest.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ParseInnListLine, BareInnHasNoGroup) {
    const InnRequest request = ParseInnListLine(u"  7707083893 \r"_q);
    EXPECT_EQ(request.Inn, u"7707083893"_q);
    EXPECT_EQ(request.ReportGroup, u""_q);
}

TEST(ParseInnListLine, GroupTabInn) {
    const InnRequest request = ParseInnListLine(u"Группа А \t 7707083893"_q);
    EXPECT_EQ(request.Inn, u"7707083893"_q);
    EXPECT_EQ(request.ReportGroup, u"Группа А"_q);
}

TEST(ParseInnListLine, ThreeFieldsTakeTheThirdAsInn) {
    const InnRequest request = ParseInnListLine(u"Группа\tООО Ромашка\t500100732259"_q);
    EXPECT_EQ(request.Inn, u"500100732259"_q);
    EXPECT_EQ(request.ReportGroup, u"Группа"_q);
}

TEST(ParseInnListLine, FieldsAfterTheInnAreDropped) {
    const InnRequest request = ParseInnListLine(u"Г\tметка\t7707083893\tлишнее\tещё"_q);
    EXPECT_EQ(request.Inn, u"7707083893"_q);
    EXPECT_EQ(request.ReportGroup, u"Г"_q);
}

TEST(ParseInnListLine, LeadingTabIsTrimmedAwayWithTheLine) {
    // The line is trimmed first, so a tab at its start is no separator.
    const InnRequest request = ParseInnListLine(u"\t7707083893"_q);
    EXPECT_EQ(request.Inn, u"7707083893"_q);
    EXPECT_EQ(request.ReportGroup, u""_q);
}

TEST(ParseInnListLine, EmptyLineGivesEmptyInn) {
    EXPECT_EQ(ParseInnListLine(u""_q).Inn, u""_q);
    EXPECT_EQ(ParseInnListLine(u" \t "_q).Inn, u""_q);
}

TEST(ParseInnListLine, TrimsCodesUpTo32AndKeepsOtherSpaces) {
    EXPECT_EQ(ParseInnListLine(u"\x01\x1f x \x7f"_q).Inn, u"x \x7f"_q);
    EXPECT_EQ(ParseInnListLine(u"\u00a0x\u00a0"_q).Inn, u"\u00a0x\u00a0"_q);
}
