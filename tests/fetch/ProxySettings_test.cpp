#include "fetch/ProxySettings.h"

#include "fetch/ProxyList.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

ProxySettings WithCredentials() {
    return {u"old"_q, 1, u"olduser"_q, u"oldpass"_q};
}

void ExpectProxy(const ProxySettings& s, const QString& server, int port, const QString& user,
                 const QString& password) {
    EXPECT_EQ(s.server, server);
    EXPECT_EQ(s.port, port);
    EXPECT_EQ(s.user, user);
    EXPECT_EQ(s.password, password);
}

}  // namespace

TEST(SplitProxyFields, SemicolonsAndBlanksSeparateFields) {
    EXPECT_EQ(SplitProxyFields(u"h:1;u;p"_q), QStringList({u"h:1"_q, u"u"_q, u"p"_q}));
    EXPECT_EQ(SplitProxyFields(u"a b\tc"_q), QStringList({u"a"_q, u"b"_q, u"c"_q}));
    EXPECT_EQ(SplitProxyFields(u"a;;c"_q), QStringList({u"a"_q, u""_q, u"c"_q}));
    EXPECT_EQ(SplitProxyFields(u"  a ; b ;\r\n c  "_q), QStringList({u"a"_q, u"b"_q, u"c"_q}));
    EXPECT_EQ(SplitProxyFields(u""_q), QStringList());
    EXPECT_EQ(SplitProxyFields(u" \t "_q), QStringList());
}

TEST(SplitProxyFields, TrailingSemicolonAddsOneEmptyField) {
    EXPECT_EQ(SplitProxyFields(u"h:1;;"_q), QStringList({u"h:1"_q, u""_q, u""_q}));
    EXPECT_EQ(SplitProxyFields(u"h:1;"_q), QStringList({u"h:1"_q, u""_q}));
    // A blank after the last ";" means the ";" is not the entry's last character.
    EXPECT_EQ(SplitProxyFields(u"h:1; "_q), QStringList({u"h:1"_q}));
}

TEST(SplitProxyFields, QuotedFieldsKeepSeparatorsAndUndoubleQuotes) {
    EXPECT_EQ(SplitProxyFields(uR"(h:1;"a b;c";"x""y")"_q),
              QStringList({u"h:1"_q, u"a b;c"_q, u"x\"y"_q}));
    EXPECT_EQ(SplitProxyFields(uR"("";"")"_q), QStringList({u""_q, u""_q}));
    EXPECT_EQ(SplitProxyFields(uR"("ab"cd)"_q), QStringList({u"ab"_q, u"cd"_q}));
    EXPECT_EQ(SplitProxyFields(uR"(a;"open end)"_q), QStringList({u"a"_q, u"open end"_q}));
}

TEST(ConfigureProxy, FormAWithSchemeCredentialsHostAndPort) {
    ProxySettings s;
    ConfigureProxy(s, u"  http://bob:se:cret@proxy.example:3128 "_q);
    ExpectProxy(s, u"proxy.example"_q, 3128, u"bob"_q, u"se:cret"_q);

    ConfigureProxy(s, u"alice@other"_q);
    ExpectProxy(s, u"other"_q, 0, u"alice"_q, u""_q);
}

TEST(ConfigureProxy, FormAWithoutCredentialsKeepsThePreviousOnes) {
    ProxySettings s = WithCredentials();
    ConfigureProxy(s, u"@10.0.0.1:8080"_q);
    ExpectProxy(s, u"10.0.0.1"_q, 8080, u"olduser"_q, u"oldpass"_q);

    ConfigureProxy(s, u"u:p@host:notaport"_q);
    ExpectProxy(s, u"host"_q, 0, u"u"_q, u"p"_q);
}

TEST(ConfigureProxy, EmptyEntryClearsEverything) {
    ProxySettings s = WithCredentials();
    ConfigureProxy(s, u""_q);
    ExpectProxy(s, u""_q, 0, u""_q, u""_q);
}

TEST(ConfigureProxy, FormBFieldsAndTheirEdgeCases) {
    ProxySettings s;
    ConfigureProxy(s, u"host:81;user;pass;ignored"_q);
    ExpectProxy(s, u"host"_q, 81, u"user"_q, u"pass"_q);

    ConfigureProxy(s, u"next:82;;"_q);
    ExpectProxy(s, u"next"_q, 82, u"user"_q, u"pass"_q);

    ConfigureProxy(s, u"noport u p"_q);
    ExpectProxy(s, u""_q, 0, u"u"_q, u"p"_q);

    // Form B gets no scheme removal: the scheme is the server name.
    ConfigureProxy(s, u"http://h:83;u2;p2"_q);
    ExpectProxy(s, u"http"_q, 0, u"u2"_q, u"p2"_q);
}

TEST(ConfigureProxy, FewerThanThreeFieldsChangeNothing) {
    ProxySettings s = WithCredentials();
    for (const QString& entry : {u"host:8080;user"_q, u"   "_q, u"host"_q}) {
        ConfigureProxy(s, entry);
        ExpectProxy(s, u"old"_q, 1, u"olduser"_q, u"oldpass"_q);
    }
}

TEST(ConfigureProxy, BareHostAndPortNameAProxyWithoutCredentials) {
    ProxySettings s = WithCredentials();
    ConfigureProxy(s, u" 10.0.0.7:3128 "_q);
    ExpectProxy(s, u"10.0.0.7"_q, 3128, u""_q, u""_q);
    s = WithCredentials();
    ConfigureProxy(s, u"http://proxy.example:8080"_q);
    ExpectProxy(s, u"proxy.example"_q, 8080, u""_q, u""_q);
}

TEST(CheckProxyList, LinesWithoutAServerAreNamedAndLeftOut) {
    const ProxyListCheck check = CheckProxyList(
        {u"10.0.0.7:3128"_q, u"not a proxy"_q, u""_q, u"u:p@h:1"_q, u"h:2;u;p"_q, u"h:3;u"_q});
    EXPECT_EQ(check.usable, (QStringList{u"10.0.0.7:3128"_q, u"u:p@h:1"_q, u"h:2;u;p"_q}));
    ASSERT_EQ(check.warnings.size(), 3);
    EXPECT_TRUE(check.warnings[0].startsWith(u"Строка 2 файла proxy.txt: \"not a proxy\" — "_q));
    EXPECT_TRUE(check.warnings[1].startsWith(u"Строка 3 файла proxy.txt: \"\""_q));
    EXPECT_TRUE(check.warnings[2].startsWith(u"Строка 6 файла proxy.txt: \"h:3;u\""_q));
}

TEST(CheckProxyList, APortNoConnectionCanUseIsNamedAndLeftOut) {
    const ProxyListCheck check = CheckProxyList({u"h:99999"_q, u"h:65535"_q});
    EXPECT_EQ(check.usable, QStringList{u"h:65535"_q});
    ASSERT_EQ(check.warnings.size(), 1);
    EXPECT_TRUE(check.warnings[0].startsWith(
        u"Строка 1 файла proxy.txt: \"h:99999\" — порт 99999 вне пределов 1..65535"_q));
}
