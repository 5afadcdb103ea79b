#include "cards/CardFields.h"
#include "cards/BalancedClose.h"
#include "cards/TableCells.h"
#include "platform/GeneralError.h"
#include "tests/cards/CardTestSupport.h"
#include "tests/support/TestSupport.h"
#include "text/TPcrePattern.h"

#include <gtest/gtest.h>

TEST(CleanValue, DecodesDropsTagsAndLineBreaksAndTrimsControlsOnly) {
    EXPECT_EQ(CleanValue(u"\r\n\t <span>ООО &#034;Ромашка&#034;</span>\r\n   "_q),
              u"ООО \"Ромашка\""_q);
    EXPECT_EQ(CleanValue(u"&#160;7701234567&#160;"_q), u"\u00A07701234567\u00A0"_q);
}

TEST(CollapseSpaces, TurnsEveryRunOfSpacesIntoOne) {
    EXPECT_EQ(CollapseSpaces(u"a     b  c d "_q), u"a b c d "_q);
    EXPECT_EQ(CollapseSpaces(u"a\u00A0\u00A0b"_q), u"a\u00A0\u00A0b"_q);
}

TEST(NormalizeAmountText, NoBreakSpacesAndRubleSignGoUnderADecimalComma) {
    ScopedDecimalSeparator comma(u',');
    EXPECT_EQ(NormalizeAmountText(u"1\u00A0234\u00A0567,89\u00A0₽"_q), u"1234567,89"_q);
}

TEST(NormalizeAmountText, CommaBecomesTheRegionalPoint) {
    ScopedDecimalSeparator point(u'.');
    EXPECT_EQ(NormalizeAmountText(u" 1\u00A0234\u00A0567,89 ₽ "_q), u"1234567.89"_q);
    EXPECT_EQ(NormalizeAmountText(u"1 234,50 $"_q), u"1234.50 $"_q);
    EXPECT_EQ(NormalizeAmountText(u"12 руб 5"_q), u"12 руб 5"_q);
}

TEST(NormalizeAmountText, DropsOnlySpacesBetweenDigitsOfWhatIsKept) {
    ScopedDecimalSeparator point(u'.');
    EXPECT_EQ(NormalizeAmountText(u"1 234 567,89"_q), u"1234567.89"_q);
    EXPECT_EQ(NormalizeAmountText(u"1  2"_q), u"1  2"_q);  // two spaces are no digit group
    EXPECT_EQ(NormalizeAmountText(u"1 \u00A02 ₽3"_q), u"123"_q);
    EXPECT_EQ(NormalizeAmountText(u"a 1 b"_q), u"a 1 b"_q);
}

TEST(TInnList, KeepsEntriesSortedOnce) {
    TInnList inns;
    for (const QString& inn : {u"7"_q, u"3"_q, u""_q, u"7"_q, u"5"_q, u""_q})
        inns.add(inn);
    EXPECT_EQ(inns.items(), (QStringList{u""_q, u"3"_q, u"5"_q, u"7"_q}));
}

TEST(FindInnColumn, CountsHeaderCellsUpToTheFirstWithInn) {
    EXPECT_EQ(FindInnColumn(u"<tr><th>Имя</th><th class='x'>Страна</th><th>Номер (ИНН)</th>"
                            u"<th>ИНН</th></tr>"_q),
              3);
    EXPECT_EQ(FindInnColumn(u"<th title='ИНН'>Номер</th>"_q), 1);  // the tag counts too
    EXPECT_EQ(FindInnColumn(u"<th>Имя</th><th>КПП</th>"_q), 0);
    EXPECT_EQ(FindInnColumn(u"<th>Имя<th>ИНН"_q), 0);  // no "</th>": every cell empty
}

TEST(GetTableCell, GivesTheInnerHtmlOfTheNthCell) {
    const QString row = u"<td class=\"a\">1</td>\n<td><b>2</b></td><td>3"_q;
    EXPECT_EQ(GetTableCell(row, 1), u"1"_q);
    EXPECT_EQ(GetTableCell(row, 2), u"<b>2</b>"_q);
    EXPECT_EQ(GetTableCell(row, 3), QString());
    EXPECT_EQ(GetTableCell(row, 4), QString());
    EXPECT_EQ(GetTableCell(row, 0), QString());
}

TEST(FindBalancedClose, SkipsTheClosesOfNestedElements) {
    const QString text = u"x<div a><div b></div><div c></div></div></div>"_q;
    EXPECT_EQ(FindBalancedClose(text, u"<div", u"</div>", 2), 35);
    EXPECT_EQ(FindBalancedClose(text, u"<div", u"</div>", 9), 16);
    EXPECT_EQ(FindBalancedClose(u"<div><div></div>"_q, u"<div", u"</div>", 1), 0);
    EXPECT_EQ(FindBalancedClose(text, u"<div", u"</div>", 0), 0);
}

TEST(TBalancedCloses, AgreesWithFindBalancedCloseOnEveryOpening) {
    const QString text =
        u"<div a><div b></div></div><div c><div d><div e></div></div><div f></div></div>"_q;
    const TBalancedCloses closes(text, u"<div", u"</div>");
    for (qsizetype at = text.indexOf(u"<div"); at >= 0; at = text.indexOf(u"<div", at + 1))
        EXPECT_EQ(closes.closeOf(at) + 1, FindBalancedClose(text, u"<div", u"</div>", at + 1));
}

TEST(SplitToList, KeepsEmptyPieces) {
    QStringList list{u"before"_q};
    SplitToList(u"a,,b,"_q, u","_q, list);
    EXPECT_EQ(list, (QStringList{u"before"_q, u"a"_q, u""_q, u"b"_q, u""_q}));
}

TEST(TPcrePattern, FindsTheLeftmostLongestRunOfDigitsAndHyphens) {
    const TPcrePattern pattern(uR"([\d][\d\-]+[\d])");
    EXPECT_EQ(pattern.firstMatch(u"Протокол № 7 от 32413000002-02-."_q), u"32413000002-02"_q);
    EXPECT_EQ(pattern.firstMatch(u"№ 12 от 1- -2"_q), QString());
    EXPECT_EQ(pattern.firstMatch(u"١٢٣"_q), QString());  // Arabic-Indic digits are no \d here
    EXPECT_THROW(TPcrePattern(u"[unclosed"_q), EGeneralError);
}

TEST(TPcrePattern, AllMatchesTakesTheGroupStepsOverEmptyMatchesAndStopsAtABound) {
    const TPcrePattern group(u"N=([0-9]+)"_q);
    EXPECT_EQ(group.allMatches(u"N=1 N= N=23"_q, 1), (QStringList{u"1"_q, u"23"_q}));
    EXPECT_EQ(TPcrePattern(u"x*"_q).allMatches(u"axxb"_q),
              (QStringList{u""_q, u"xx"_q, u""_q, u""_q}));
    // A catastrophic pattern passes its bound on the second text and finds nothing there.
    const TPcrePattern bounded(u"(a+)+b|c"_q, TPcreLimits{1000, 0});
    EXPECT_EQ(bounded.allMatches(u"c c"_q), (QStringList{u"c"_q, u"c"_q}));
    EXPECT_EQ(bounded.allMatches(QString(30, u'a') + u"c"_q), QStringList());
}
