#include "text/TrimControls.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(TrimControls, RemovesCodesUpToSpaceButKeepsNoBreakSpaces) {
    EXPECT_EQ(TrimControls(u"\t\r\n \x01"
                           u"a b\x1f "_q),
              u"a b"_q);
    EXPECT_EQ(TrimControls(u"\u00A0a\u00A0"_q), u"\u00A0a\u00A0"_q);
    EXPECT_EQ(TrimControls(u" \t "_q), u""_q);
}
