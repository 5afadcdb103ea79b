#include "fetch/HttpSession.h"

#include "replica/PortalReplica.h"
#include "tests/fetch/ProxyServer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Fault = PortalReplica::Fault;
using namespace std::chrono_literals;

// One replica for the whole suite; each test starts with an empty request log.
class HttpSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        replica_ = new PortalReplica();
        replica_->start();
    }
    static void TearDownTestSuite() {
        delete replica_;
        replica_ = nullptr;
    }
    void SetUp() override { replica_->clearLog(); }
    void TearDown() override { replica_->setSlowBodyDelay(50ms); }

    static QString url(const std::string& path) {
        return QString::fromStdString(replica_->baseUrl() + path);
    }
    static PortalReplica::LoggedRequest lastRequest() { return replica_->requests().back(); }

    static PortalReplica* replica_;
};

PortalReplica* HttpSessionTest::replica_ = nullptr;

HttpSessionSettings Settings(const QString& userAgent = u"UA test"_q) {
    HttpSessionSettings settings;
    settings.userAgent = userAgent;
    return settings;
}

QByteArray Sample() {
    return QByteArray::fromStdString(PortalReplica::sampleText());
}

}  // namespace

TEST_F(HttpSessionTest, SendsTheFixedAndTheGivenHeaders) {
    HttpSessionSettings settings = Settings(u"Агент/1.0"_q);
    settings.referer = url("/a?x=1|||") + url("/card");
    HttpSession session(settings);
    const HttpResponse response = session.get(url("/echo"));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_TRUE(response.errorMessage.isEmpty());
    const auto headers = lastRequest().headers;
    EXPECT_EQ(headers.at("accept"), "text/html, */*");
    EXPECT_EQ(headers.at("accept-encoding"), "gzip, deflate");
    EXPECT_EQ(QString::fromStdString(headers.at("user-agent")), u"Агент/1.0"_q);
    EXPECT_EQ(QString::fromStdString(headers.at("referer")), settings.referer);
    EXPECT_TRUE(response.body.contains("accept: text/html, */*\n"));
}

TEST_F(HttpSessionTest, EmptyUserAgentIsSentAsAnEmptyValue) {
    HttpSession session(Settings(QString()));
    ASSERT_TRUE(session.get(url("/echo")).ok);
    const auto headers = lastRequest().headers;
    // libcurl sends "User-Agent:" with no value; the replica's server drops empty
    // headers, so all that shows here is that no agent of libcurl's own went out.
    EXPECT_EQ(headers.contains("user-agent") ? headers.at("user-agent") : "", "");
    EXPECT_FALSE(headers.contains("referer"));
}

TEST_F(HttpSessionTest, DecodesGzipAndDeflateBodies) {
    HttpSession session(Settings());
    for (const char* path : {"/gzip", "/deflate", "/plain"}) {
        const HttpResponse response = session.get(url(path));
        ASSERT_TRUE(response.ok) << path << ": " << response.errorMessage.toStdString();
        EXPECT_EQ(response.body, Sample()) << path;
        EXPECT_EQ(response.contentType, "text/plain; charset=utf-8");
    }
}

TEST_F(HttpSessionTest, KeepsCookiesAcrossRedirectsAndConnectionResets) {
    HttpSession session(Settings());
    HttpResponse response = session.get(url("/cookie/set"));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.body, "cookie ok");
    session.resetConnection();
    EXPECT_EQ(session.get(url("/cookie/check")).body, "cookie ok");

    // Another session has a cookie store of its own.
    HttpSession other(Settings());
    EXPECT_EQ(other.get(url("/cookie/check")).statusCode, 403);
}

TEST_F(HttpSessionTest, StatusFailuresCarryCodeAndStatusLine) {
    HttpSession session(Settings());
    const std::pair<int, QString> cases[] = {{403, u"403 Forbidden"_q},
                                             {404, u"404 Not Found"_q},
                                             {429, u"429 Too Many Requests"_q},
                                             {500, u"500 Internal Server Error"_q}};
    for (const auto& [code, text] : cases) {
        const HttpResponse response = session.get(url("/status/" + std::to_string(code)));
        EXPECT_FALSE(response.ok);
        EXPECT_EQ(response.statusCode, code);
        EXPECT_TRUE(response.errorMessage.contains(text)) << response.errorMessage.toStdString();
    }
    replica_->queueFaults("/plain", {Fault::Status403});
    const HttpResponse refused = session.get(url("/plain"));
    EXPECT_EQ(refused.errorMessage, u"HTTP/1.1 403 Forbidden"_q);
    EXPECT_TRUE(session.get(url("/plain")).ok);
}

TEST_F(HttpSessionTest, ConnectionClosedWithoutAnswerIsGraceful) {
    HttpSession session(Settings());
    replica_->queueFaults("/plain", {Fault::CloseWithoutAnswer});
    const HttpResponse response = session.get(url("/plain"));
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.statusCode, 0);
    EXPECT_TRUE(response.errorMessage.contains(u"Connection Closed Gracefully"_q))
        << response.errorMessage.toStdString();
    session.resetConnection();
    EXPECT_TRUE(session.get(url("/plain")).ok);
}

TEST_F(HttpSessionTest, EmptyBodyIsAnAnswer) {
    HttpSession session(Settings());
    const HttpResponse response = session.get(url("/empty"));
    EXPECT_TRUE(response.ok);
    EXPECT_TRUE(response.body.isEmpty());
}

TEST_F(HttpSessionTest, ReadTimeOutEndsAStalledBodyButNotASlowSteadyOne) {
    HttpSessionSettings settings = Settings();
    settings.readTimeoutMs = 400;
    HttpSession session(settings);

    replica_->setSlowBodyDelay(100ms);  // 1000 bytes in ten chunks: about a second in all
    const HttpResponse steady = session.get(url("/slow?bytes=1000"));
    EXPECT_TRUE(steady.ok) << steady.errorMessage.toStdString();
    EXPECT_EQ(steady.body.size(), 1000);

    replica_->setSlowBodyDelay(1500ms);
    const HttpResponse stalled = session.get(url("/slow?bytes=300"));
    EXPECT_FALSE(stalled.ok);
    EXPECT_TRUE(stalled.errorMessage.contains(u"Read timed out"_q))
        << stalled.errorMessage.toStdString();
}

TEST_F(HttpSessionTest, RedirectLoopFails) {
    HttpSessionSettings settings = Settings();
    settings.maxRedirects = 5;
    HttpSession session(settings);
    const HttpResponse response = session.get(url("/redirect/loop"));
    EXPECT_FALSE(response.ok);
    EXPECT_TRUE(response.errorMessage.contains(u"redirect"_q, Qt::CaseInsensitive))
        << response.errorMessage.toStdString();
    EXPECT_EQ(replica_->requests().size(), 6u);
}

TEST_F(HttpSessionTest, AbortEndsATransferInProgress) {
    std::atomic<bool> abort{false};
    HttpSessionSettings settings = Settings();
    settings.abortFlag = &abort;
    HttpSession session(settings);
    replica_->setSlowBodyDelay(100ms);
    std::thread aborter([&abort] {
        std::this_thread::sleep_for(300ms);
        abort = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const HttpResponse response = session.get(url("/slow?bytes=100000"));  // 100 s unaborted
    aborter.join();
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.errorMessage, u"aborted"_q);
    // A generous bound: it only tells "aborted" from "ran to the end".
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(session.get(url("/plain")).errorMessage, u"aborted"_q);
}

TEST_F(HttpSessionTest, DownloadHeadersOfTheFinalResponse) {
    HttpSession session(Settings());
    HttpResponse pdf = session.get(url("/download/file?uid=77&cd=quoted"));
    ASSERT_TRUE(pdf.ok) << pdf.errorMessage.toStdString();
    EXPECT_EQ(pdf.contentType, "application/download");
    EXPECT_EQ(pdf.contentDisposition, "attachment; filename=\"protocol.pdf\"");
    EXPECT_TRUE(pdf.body.startsWith("%PDF"));

    const HttpResponse text = session.get(url("/download/file?uid=77&type=text"));
    EXPECT_TRUE(text.contentType.contains("text"));
    EXPECT_TRUE(text.contentDisposition.isEmpty());
    EXPECT_TRUE(text.body.contains("\"message\":\""));
}

TEST_F(HttpSessionTest, BodyBeyondTheLimitFails) {
    replica_->setDownload("huge", std::string(HttpSession::MaxBodyBytes + 1, 'x'));
    HttpSession session(Settings());
    const HttpResponse response = session.get(url("/download/f?uid=huge&type=other"));
    replica_->setDownload("huge", std::string());
    EXPECT_FALSE(response.ok);
    EXPECT_TRUE(response.errorMessage.contains(u"larger than"_q))
        << response.errorMessage.toStdString();
    EXPECT_TRUE(response.body.isEmpty());
}

TEST_F(HttpSessionTest, ClearedProxyDoesNotLinger) {
    HttpSession session(Settings());
    session.proxy() = {u"127.0.0.1"_q, 1, u""_q, u""_q};  // nothing listens on port 1
    EXPECT_FALSE(session.get(url("/plain")).ok);
    EXPECT_TRUE(replica_->requests().empty());
    session.proxy() = ProxySettings{};
    EXPECT_TRUE(session.get(url("/plain")).ok);
}

namespace {

// Requests through a real HTTP proxy that wants basic authentication.
class HttpSessionProxyTest : public HttpSessionTest {
protected:
    void SetUp() override {
        if (!ProxyServer::available()) GTEST_SKIP() << "tinyproxy is not installed";
        HttpSessionTest::SetUp();
        proxy_ = std::make_unique<ProxyServer>(u"user"_q, u"pass"_q);
    }

    QString entry(const QString& credentials) const {
        return u"http://"_q + credentials + u"@127.0.0.1:"_q + QString::number(proxy_->port());
    }

    std::unique_ptr<ProxyServer> proxy_;
};

}  // namespace

TEST_F(HttpSessionProxyTest, RequestGoesThroughTheProxyWithTheEntrysCredentials) {
    HttpSession session(Settings());
    ConfigureProxy(session.proxy(), entry(u"user:pass"_q));
    const HttpResponse response = session.get(url("/gzip"));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString() << "\n"
                             << proxy_->log().toStdString();
    EXPECT_EQ(response.body, Sample());
    ASSERT_EQ(replica_->requests().size(), 1u);
    EXPECT_EQ(lastRequest().path, "/gzip");
    EXPECT_TRUE(proxy_->log().contains(u"CONNECT"_q));
}

TEST_F(HttpSessionProxyTest, MissingCredentialsFailWithProxyAuthenticationRequired) {
    HttpSession session(Settings());
    ConfigureProxy(session.proxy(), entry(QString()));
    const HttpResponse response = session.get(url("/plain"));
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.statusCode, 407);
    EXPECT_TRUE(response.errorMessage.contains(u"407 Proxy Authentication Required"_q))
        << response.errorMessage.toStdString();
    EXPECT_TRUE(replica_->requests().empty());
}

// tinyproxy answers a wrong password with 401 rather than 407; the session
// passes on whatever status line the proxy sent.
TEST_F(HttpSessionProxyTest, WrongCredentialsFailWithTheProxysStatusLine) {
    HttpSession session(Settings());
    ConfigureProxy(session.proxy(), entry(u"user:wrong"_q));
    const HttpResponse response = session.get(url("/plain"));
    EXPECT_FALSE(response.ok);
    EXPECT_TRUE(response.statusCode == 401 || response.statusCode == 407) << response.statusCode;
    EXPECT_TRUE(response.errorMessage.contains(QString::number(response.statusCode)))
        << response.errorMessage.toStdString();
    EXPECT_TRUE(replica_->requests().empty());
}

TEST_F(HttpSessionTest, RequestPastTheTotalLimitFailsLikeATimeOut) {
    HttpSessionSettings settings = Settings();
    settings.totalTimeoutMs = 1000;
    HttpSession session(settings);
    replica_->setSlowBodyDelay(100ms);  // steady bytes: the read time-out never strikes
    const HttpResponse response = session.get(url("/slow?bytes=100000"));  // 100 s unlimited
    EXPECT_FALSE(response.ok);
    EXPECT_TRUE(response.errorMessage.startsWith(u"Operation timed out"_q))
        << response.errorMessage.toStdString();
    EXPECT_TRUE(session.get(url("/plain")).ok);
}

// Redirects on the session's own host are followed; any other target is refused and named,
// and the other host never sees a request (nor the Referer).
TEST_F(HttpSessionTest, RedirectsLeadOnlyToTheBaseHost) {
    HttpSessionSettings settings = Settings();
    settings.referer = u"https://zakupki.gov.ru/secret-card"_q;
    HttpSession session(settings);
    const std::string port = std::to_string(replica_->port());
    const HttpResponse same = session.get(url("/redirect/to?target=/plain"));
    EXPECT_TRUE(same.ok) << same.errorMessage.toStdString();
    EXPECT_EQ(same.body, Sample());

    for (const std::string& target : std::vector<std::string>{
             "https://localhost:" + port + "/plain", "http://127.0.0.1:" + port + "/plain",
             "https://127.0.0.1:1/plain", "https://evil.invalid/steal",
             "https://127.0.0.1:" + port + "@evil.invalid/steal"}) {
        replica_->clearLog();
        const HttpResponse refused = session.get(url("/redirect/to?target=" + target));
        EXPECT_FALSE(refused.ok) << target;
        EXPECT_EQ(refused.statusCode, 302);
        EXPECT_TRUE(refused.body.isEmpty());
        EXPECT_TRUE(refused.refusedRedirect.startsWith(QString::fromStdString(target).left(12)))
            << refused.refusedRedirect.toStdString();
        EXPECT_TRUE(refused.errorMessage.startsWith(
            u"Перенаправление на другой сайт не выполнено: "_q + refused.refusedRedirect))
            << refused.errorMessage.toStdString();
        EXPECT_EQ(replica_->requests().size(), 1u) << target;
    }

    replica_->queueFaults("/plain", {Fault::OffHostRedirect});
    replica_->clearLog();
    const HttpResponse offHost = session.get(url("/plain?a=1"));
    EXPECT_EQ(offHost.refusedRedirect,
              QString::fromStdString("https://localhost:" + port + "/plain?a=1"));
    EXPECT_EQ(replica_->requests().size(), 1u);
}

TEST_F(HttpSessionTest, RedirectBaseAllowsItsHostOnly) {
    HttpSessionSettings settings = Settings();
    settings.redirectBase =
        QString::fromStdString("https://localhost:" + std::to_string(replica_->port()));
    HttpSession session(settings);
    const HttpResponse toBase = session.get(url(
        "/redirect/to?target=https://localhost:" + std::to_string(replica_->port()) + "/plain"));
    EXPECT_TRUE(toBase.ok) << toBase.errorMessage.toStdString();
    EXPECT_EQ(replica_->requests().back().headers.at("host"),
              "localhost:" + std::to_string(replica_->port()));
    // A relative target stays on the host requested, which is not the base's.
    EXPECT_FALSE(session.get(url("/redirect/to?target=/plain")).ok);
}
