#include "fetch/Rotation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class RotationTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRotationForTesting(); }
    void TearDown() override { ResetRotationForTesting(); }
};

}  // namespace

TEST_F(RotationTest, UserAgentsStartAtTheSecondEntryAndWrapAround) {
    const QStringList agents{u"A"_q, u"B"_q, u"C"_q};
    EXPECT_EQ(NextUserAgent(agents), u"B"_q);
    EXPECT_EQ(NextUserAgent(agents), u"C"_q);
    EXPECT_EQ(NextUserAgent(agents), u"A"_q);
    EXPECT_EQ(NextUserAgent(agents), u"B"_q);
}

TEST_F(RotationTest, SingleEntryAndEmptyEntriesAreHandedOutVerbatim) {
    const QStringList one{u" agent "_q};
    EXPECT_EQ(NextUserAgent(one), u" agent "_q);
    EXPECT_EQ(NextUserAgent(one), u" agent "_q);
    EXPECT_EQ(NextUserAgent({u"x"_q, u""_q}), u""_q);
}

TEST_F(RotationTest, EmptyUserAgentListGivesTheDefaultAndIndexZero) {
    NextUserAgent({u"A"_q, u"B"_q});
    EXPECT_EQ(UserAgentIndex.load(), 1);
    EXPECT_EQ(NextUserAgent({}), DefaultUserAgent.toString());
    EXPECT_EQ(UserAgentIndex.load(), 0);
    EXPECT_EQ(DefaultUserAgent,
              u"Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:108.0) Gecko/20100101 Firefox/108.0");
}

TEST_F(RotationTest, LaterRunsContinueWhereEarlierOnesStopped) {
    const QStringList proxies{u"p0"_q, u"p1"_q, u"p2"_q};
    QString entry;
    NextProxy(proxies, entry);
    EXPECT_EQ(entry, u"p1"_q);
    // A new run reloads the list; the index carries on.
    const QStringList reloaded = proxies;
    NextProxy(reloaded, entry);
    EXPECT_EQ(entry, u"p2"_q);
    NextProxy(reloaded, entry);
    EXPECT_EQ(entry, u"p0"_q);
}

TEST_F(RotationTest, ShorterListThanTheIndexRestartsAtItsFirstEntry) {
    QString entry;
    NextProxy({u"p0"_q, u"p1"_q, u"p2"_q}, entry);
    NextProxy({u"p0"_q, u"p1"_q, u"p2"_q}, entry);
    EXPECT_EQ(ProxyIndex.load(), 2);
    NextProxy({u"q0"_q, u"q1"_q}, entry);
    EXPECT_EQ(entry, u"q0"_q);
}

TEST_F(RotationTest, EmptyProxyListLeavesEntryAndIndexAlone) {
    QString entry = u"keep"_q;
    NextProxy({u"a"_q, u"b"_q}, entry);
    NextProxy({}, entry);
    EXPECT_EQ(entry, u"b"_q);
    EXPECT_EQ(ProxyIndex.load(), 1);
}
