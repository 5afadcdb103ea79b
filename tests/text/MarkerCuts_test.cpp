#include "text/MarkerCuts.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ExtractBetween, CutsBetweenStartMiddleAndEndMarkers) {
    EXPECT_EQ(ExtractBetween(u"x=1&y=2"_q, u"x="_q, u""_q, u""_q), u"1&y=2"_q);
    EXPECT_EQ(ExtractBetween(u"abc|||def"_q, u""_q, u""_q, u"|||"_q), u"abc"_q);
    EXPECT_EQ(ExtractBetween(u"T: 1 / 2;"_q, u"T:"_q, u"/"_q, u";"_q), u" 2"_q);
}

TEST(ExtractBetween, EmptyWhenAGivenMarkerIsMissing) {
    EXPECT_EQ(ExtractBetween(u"abc"_q, u"z"_q, u""_q, u""_q), u""_q);
    EXPECT_EQ(ExtractBetween(u"abc"_q, u"a"_q, u""_q, u"z"_q), u""_q);
    EXPECT_EQ(ExtractBetween(u"abc"_q, u"a"_q, u"z"_q, u"c"_q), u""_q);
}

TEST(ExtractBetween, MiddleMarkerMustFollowTheStartMarker) {
    EXPECT_EQ(ExtractBetween(u"/ T: 1;"_q, u"T:"_q, u"/"_q, u";"_q), u""_q);
    // The search for the middle marker starts after the whole start marker.
    EXPECT_EQ(ExtractBetween(u"ab-ab-X;"_q, u"ab-"_q, u"ab-"_q, u";"_q), u"X"_q);
}

TEST(ExtractBetween, EndMarkerSearchStartsAfterTheValueStart) {
    EXPECT_EQ(ExtractBetween(u"<b>v</b>"_q, u"<b>"_q, u""_q, u"</b>"_q), u"v"_q);
    EXPECT_EQ(ExtractBetween(u";;S;x;"_q, u"S"_q, u""_q, u";"_q), u""_q);
    EXPECT_EQ(ExtractBetween(u"SE"_q, u"S"_q, u""_q, u"E"_q), u""_q);
}

TEST(ExtractBetween, IsCaseSensitiveAndCountsCodeUnits) {
    EXPECT_EQ(ExtractBetween(u"Сумма: 5 ₽"_q, u"сумма:"_q, u""_q, u""_q), u""_q);
    EXPECT_EQ(ExtractBetween(u"Сумма: 5 ₽"_q, u"Сумма:"_q, u""_q, u"₽"_q), u" 5 "_q);
    // A character outside the BMP is two code units; cuts around it stay intact.
    EXPECT_EQ(ExtractBetween(u"[\U0001F600]"_q, u"["_q, u""_q, u"]"_q), u"\U0001F600"_q);
}

TEST(LastPosBefore, FindsTheLastOccurrenceWhollyInsideThePrefix) {
    EXPECT_EQ(LastPosBefore(u"ab"_q, u"abxab"_q, 5), 4);
    EXPECT_EQ(LastPosBefore(u"ab"_q, u"abxab"_q, 4), 1);  // the second "ab" ends after 4
    EXPECT_EQ(LastPosBefore(u"ab"_q, u"abxab"_q, 100), 4);
    EXPECT_EQ(LastPosBefore(u"ab"_q, u"abxab"_q, 0), 0);
    EXPECT_EQ(LastPosBefore(u"ab"_q, u"abxab"_q, -3), 0);
    EXPECT_EQ(LastPosBefore(u"zz"_q, u"abxab"_q, 5), 0);
    EXPECT_EQ(LastPosBefore(u""_q, u"abxab"_q, 5), 0);
}

TEST(LastPosBefore, OneUnitNeedleJustPastThePrefixIsNotFound) {
    // The unit right after the prefix used to count as inside it.
    EXPECT_EQ(LastPosBefore(u"\""_q, u"ab\"ab\""_q, 2), 0);
    EXPECT_EQ(LastPosBefore(u"\""_q, u"ab\"ab\""_q, 5), 3);
    EXPECT_EQ(LastPosBefore(u"\""_q, u"ab\"ab\""_q, 6), 6);
    EXPECT_EQ(LastPosBefore(u"b"_q, u"ab\"ab\""_q, 4), 2);
    EXPECT_EQ(LastPosBefore(u"abc"_q, u"ab"_q, 2), 0);
}
