#include "report/ShownLinks.h"
#include "report/ReportFiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ShownLinks, SortedWithoutRegardToCaseEachOnce) {
    ShownLinks links({u"https://b/1"_q, u""_q, u"https://A/2"_q});
    EXPECT_FALSE(links.changed());
    links.add(u"HTTPS://B/1"_q);
    EXPECT_FALSE(links.changed());
    links.add(u"https://a/1"_q);
    EXPECT_TRUE(links.changed());
    EXPECT_TRUE(links.contains(u"https://a/2"_q));
    EXPECT_EQ(links.lines(), QStringList({u"https://a/1"_q, u"https://A/2"_q, u"https://b/1"_q}));
}

TEST(ReportFiles, SortedWithoutRegardToCaseButKeepsFilesThatDifferInCase) {
    ReportFiles files;
    files.add(u"/p/b/x.tab"_q);
    files.add(u"/p/A/x.tab"_q);
    files.add(u"/p/a/x.tab"_q);
    files.add(u"/p/b/x.tab"_q);
    EXPECT_EQ(files.paths(), QStringList({u"/p/A/x.tab"_q, u"/p/a/x.tab"_q, u"/p/b/x.tab"_q}));
}
