#include "text/HtmlText.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(HtmlDecode, DecodesTheListedNamedReferences) {
    EXPECT_EQ(HtmlDecode(u"a&amp;b&lt;c&gt;d&nbsp;e&quot;f"_q), u"a&b<c>d e\"f"_q);
    EXPECT_EQ(HtmlDecode(u"&laquo;x&raquo;"_q), u"\u00ABx\u00BB"_q);
    EXPECT_EQ(HtmlDecode(u"&amp;laquo;"_q), u"&laquo;"_q);
}

TEST(HtmlDecode, CopiesUnknownAndUpperCaseReferences) {
    EXPECT_EQ(HtmlDecode(u"&AMP;&Lt;&bull;&times;&mdash;&ndash;"_q),
              u"&AMP;&Lt;&bull;&times;&mdash;&ndash;"_q);
    EXPECT_EQ(HtmlDecode(u"&amp"_q), u"&amp"_q);
    EXPECT_EQ(HtmlDecode(u"a & b"_q), u"a & b"_q);
}

TEST(HtmlDecode, DropsATrailingAmpersand) {
    EXPECT_EQ(HtmlDecode(u"abc&"_q), u"abc"_q);
    EXPECT_EQ(HtmlDecode(u"&"_q), u""_q);
}

TEST(HtmlDecode, NumericReferencesInEveryBase) {
    EXPECT_EQ(HtmlDecode(u"&#65;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#x41;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#X41;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#$41;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#0x41;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&# +65;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#034;"_q), u"\""_q);
    EXPECT_EQ(HtmlDecode(u"&#160;"_q), u"\u00A0"_q);
}

TEST(HtmlDecode, MalformedNumericReferencesYieldWhatCouldBeRead) {
    EXPECT_EQ(HtmlDecode(u"&#;x"_q), QString(QChar(0)) + u"x"_q);
    EXPECT_EQ(HtmlDecode(u"&#12ab;z"_q), QString(QChar(12)) + u"z"_q);
    // The value keeps its low 16 bits: 65 + 65536 is "A" again.
    EXPECT_EQ(HtmlDecode(u"&#65601;"_q), u"A"_q);
    EXPECT_EQ(HtmlDecode(u"&#-1;"_q), QString(QChar(0xFFFF)));
    // A huge number wraps without harm.
    EXPECT_EQ(HtmlDecode(u"&#99999999999999999999999999;"_q).size(), 1);
}

TEST(HtmlDecode, DigitsRunningToTheEndEndDecoding) {
    EXPECT_EQ(HtmlDecode(u"a&#66"_q), u"aB"_q);
    EXPECT_EQ(HtmlDecode(u"a&#"_q), u"a"_q + QChar(0));
    // Without a ";" the rest of the text is taken as the number's digits.
    EXPECT_EQ(HtmlDecode(u"a&#66 and more text"_q), u"aB"_q);
    // ... and with a ";" further on, everything up to it.
    EXPECT_EQ(HtmlDecode(u"a&#66 and &amp; text"_q), u"aB text"_q);
}

TEST(HtmlToText, DoubleEncodedReferencesGoThroughTheSecondTable) {
    EXPECT_EQ(HtmlToText(u"&amp;laquo;"_q), u"\""_q);
    EXPECT_EQ(HtmlToText(u"&laquo;"_q), u"\u00AB"_q);
    EXPECT_EQ(HtmlToText(u"&amp;nbsp;&amp;quot;&amp;raquo;&amp;#039;"_q), u" \"\"'"_q);
    EXPECT_EQ(HtmlToText(u"&amp;lt;b&amp;gt;"_q), u""_q);
}

TEST(HtmlToText, ReplacesDashesBulletsAndTimes) {
    EXPECT_EQ(HtmlToText(u"a&bull;b&times;c&mdash;d&ndash;e"_q), u"a-bxc-d-e"_q);
}

TEST(HtmlToText, NoBreakSpaceSurvivesOnlyAsNumericReference) {
    EXPECT_EQ(HtmlToText(u"1&nbsp;000"_q), u"1 000"_q);
    EXPECT_EQ(HtmlToText(u"1&#160;000"_q), u"1\u00A0000"_q);
}

TEST(HtmlToText, LineBreaksJoinWordsAndBrBecomesASpace) {
    EXPECT_EQ(HtmlToText(u"Поставка\r\nбумаги"_q), u"Поставкабумаги"_q);
    EXPECT_EQ(HtmlToText(u"a<br>b"_q), u"a b"_q);
    EXPECT_EQ(HtmlToText(u"a<br/>b<BR>c"_q), u"abc"_q);
    // CR LF removal runs after "<br>", so a broken-up tag is deleted whole.
    EXPECT_EQ(HtmlToText(u"a<b\nr>b"_q), u"ab"_q);
}

TEST(HtmlToText, RemovesTagsAndDecodedPseudoTags) {
    EXPECT_EQ(HtmlToText(u"<td class=\"x\">\n  Значение\n</td>"_q), u"  Значение"_q);
    EXPECT_EQ(HtmlToText(u"a &lt; b &gt; c"_q), u"a  c"_q);
    EXPECT_EQ(HtmlToText(u"keep &lt; no close"_q), u"keep "_q);
    EXPECT_EQ(HtmlToText(u"x<!-- a > b -->y"_q), u"x b -->y"_q);
    EXPECT_EQ(HtmlToText(u"a > b"_q), u"a > b"_q);
}

TEST(HtmlToText, NeverTrimsOrCollapses) {
    EXPECT_EQ(HtmlToText(u"  a   b  "_q), u"  a   b  "_q);
    EXPECT_EQ(HtmlToText(u""_q), u""_q);
}
