#include "replica/PortalReplica.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <thread>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Fault = PortalReplica::Fault;

namespace {

// What libcurl saw of one request: the way the program's own HTTP session sees the portal.
struct Reply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string statusLine;  // of the last response, without CR LF
    std::string headers;     // of the last response
    std::string body;
    std::size_t bytesReceived = 0;  // headers and body of all responses, as they came
};

struct CurlOptions {
    bool decode = true;    // CURLOPT_ACCEPT_ENCODING ""
    bool cookies = false;  // cookie engine on
    bool follow = true;    // follow redirects
    long timeoutMs = 2000;
    std::string caFile;  // when set: verify the peer against it
    std::vector<std::string> headers;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* reply = static_cast<Reply*>(user);
    reply->body.append(data, size * count);
    reply->bytesReceived += size * count;
    return size * count;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* reply = static_cast<Reply*>(user);
    const std::string line(data, size * count);
    reply->bytesReceived += line.size();
    if (line.starts_with("HTTP/")) {  // a new response (after a redirect): start afresh
        reply->statusLine = line.substr(0, line.find_last_not_of("\r\n") + 1);
        reply->headers.clear();
    }
    reply->headers += line;
    return line.size();
}

using CurlPtr = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderListPtr = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

Reply fetch(const std::string& url, const CurlOptions& options = {}) {
    CurlPtr curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) throw std::runtime_error("curl_easy_init failed");
    HeaderListPtr headerList(nullptr, &curl_slist_free_all);
    for (const auto& header : options.headers) {
        headerList.reset(curl_slist_append(headerList.release(), header.c_str()));
    }
    Reply reply;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, options.follow ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    if (options.decode) curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    if (options.cookies) curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    if (options.caFile.empty()) {
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    } else {
        curl_easy_setopt(h, CURLOPT_CAINFO, options.caFile.c_str());
    }
    reply.code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
}

// A listening socket held by the test, closed however the test ends.
struct HeldPort {
    HeldPort() : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(fd, 1) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("cannot hold a loopback port");
        }
        port = ntohs(address.sin_port);
    }
    ~HeldPort() { ::close(fd); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    int fd;
    int port = 0;
};

bool hasHeader(const Reply& reply, const std::string& line) {
    return reply.headers.find(line + "\r\n") != std::string::npos;
}

class Replica : public ::testing::Test {
protected:
    void SetUp() override { replica.start(); }
    std::string url(const std::string& pathAndQuery) const {
        return replica.baseUrl() + pathAndQuery;
    }

    PortalReplica replica;
};

}  // namespace

TEST_F(Replica, ListensOnAFreeLoopbackPort) {
    EXPECT_GT(replica.port(), 0);
    EXPECT_EQ(replica.baseUrl(), "https://127.0.0.1:" + std::to_string(replica.port()));
    const Reply reply = fetch(url("/plain"));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_TRUE(hasHeader(reply, "Server: nginx")) << reply.headers;
    EXPECT_TRUE(hasHeader(reply, "Content-Type: text/plain; charset=utf-8")) << reply.headers;
}

TEST_F(Replica, CertificateVerifiesForBothLoopbackNames) {
    CurlOptions verified;
    verified.caFile = replica.certificatePath();
    EXPECT_EQ(fetch(url("/plain"), verified).code, CURLE_OK);
    const std::string byName = "https://localhost:" + std::to_string(replica.port()) + "/plain";
    EXPECT_EQ(fetch(byName, verified).code, CURLE_OK);
}

TEST_F(Replica, CompressedRoutesDecodeToTheSampleText) {
    for (const char* path : {"/gzip", "/deflate", "/plain"}) {
        const Reply reply = fetch(url(path));
        EXPECT_EQ(reply.code, CURLE_OK) << path;
        EXPECT_EQ(reply.body, PortalReplica::sampleText()) << path;
    }
    CurlOptions raw;
    raw.decode = false;  // no Accept-Encoding: still compressed, as the route promises
    const Reply gzip = fetch(url("/gzip"), raw);
    EXPECT_TRUE(hasHeader(gzip, "Content-Encoding: gzip")) << gzip.headers;
    ASSERT_GE(gzip.body.size(), 2u);
    EXPECT_EQ(gzip.body.substr(0, 2), "\x1f\x8b");
    EXPECT_TRUE(hasHeader(fetch(url("/deflate"), raw), "Content-Encoding: deflate"));
}

TEST_F(Replica, EchoListsTheReceivedHeadersLowerCase) {
    CurlOptions options;
    options.headers = {"User-Agent: Mozilla/5.0 (Windows NT 10.0)", "Referer: https://a.b/c|||d",
                       "Cookie: x=1", "Proxy-Authorization: Basic dTpw"};
    const Reply reply = fetch(url("/echo"), options);
    EXPECT_NE(reply.body.find("user-agent: Mozilla/5.0 (Windows NT 10.0)\n"), std::string::npos);
    EXPECT_NE(reply.body.find("referer: https://a.b/c|||d\n"), std::string::npos);
    EXPECT_NE(reply.body.find("cookie: x=1\n"), std::string::npos);
    EXPECT_NE(reply.body.find("proxy-authorization: Basic dTpw\n"), std::string::npos);
    EXPECT_NE(reply.body.find("accept-encoding: "), std::string::npos);
    EXPECT_EQ(reply.body.find("remote_"), std::string::npos) << reply.body;
}

TEST_F(Replica, CookieSurvivesTheRedirect) {
    CurlOptions withCookies;
    withCookies.cookies = true;
    const Reply reply = fetch(url("/cookie/set"), withCookies);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "cookie ok");

    const Reply without = fetch(url("/cookie/set"));  // cookie engine off: nothing sent back
    EXPECT_EQ(without.status, 403);
    CurlOptions forged;
    forged.headers = {"Cookie: session=made-up"};
    EXPECT_EQ(fetch(url("/cookie/check"), forged).status, 403);
}

TEST_F(Replica, StatusRoutesCarryTheStandardReasonPhrase) {
    const std::vector<std::pair<int, std::string>> codes = {
        {200, "OK"},          {400, "Bad Request"},        {403, "Forbidden"},
        {404, "Not Found"},   {429, "Too Many Requests"},  {500, "Internal Server Error"},
        {502, "Bad Gateway"}, {503, "Service Unavailable"}};
    for (const auto& [code, phrase] : codes) {
        const Reply reply = fetch(url("/status/" + std::to_string(code)));
        EXPECT_EQ(reply.statusLine, "HTTP/1.1 " + std::to_string(code) + " " + phrase);
        EXPECT_EQ(reply.body, "status " + std::to_string(code));
    }
    EXPECT_EQ(fetch(url("/status/299")).status, 404);  // no standard phrase: no such route
}

TEST_F(Replica, QueuedFaultsComeInOrderThenNormalAnswers) {
    replica.setPage("/epz/page.html", "<html>страница</html>");
    replica.queueFaults("/epz/", {Fault::Status403, Fault::Status429, Fault::None, Fault::EmptyBody,
                                  Fault::Status500});
    EXPECT_EQ(fetch(url("/plain")).status, 200);  // another prefix is left alone
    const auto page = url("/epz/page.html?id=1");
    EXPECT_EQ(fetch(page).statusLine, "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(fetch(page).statusLine, "HTTP/1.1 429 Too Many Requests");
    EXPECT_EQ(fetch(page).body, "<html>страница</html>");
    const Reply empty = fetch(page);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.empty());
    EXPECT_EQ(fetch(page).statusLine, "HTTP/1.1 500 Internal Server Error");
    EXPECT_EQ(fetch(page).body, "<html>страница</html>");
}

TEST_F(Replica, ContentFaultsSpoilTheAnswerAsTheirNamesSay) {
    const std::string page = "<html><div class=\"marker\">страница</div></html>";
    replica.setPage("/epz/page.html", page);
    replica.queueFaults("/epz/", {Fault::CorruptGzip, Fault::RedirectLoop, Fault::MissingMarkers,
                                  Fault::Garbage, Fault::InvalidUtf8});
    const auto target = url("/epz/page.html");
    EXPECT_EQ(fetch(target).code, CURLE_BAD_CONTENT_ENCODING);
    EXPECT_EQ(fetch(target).code, CURLE_TOO_MANY_REDIRECTS);
    const Reply maintenance = fetch(target);
    EXPECT_EQ(maintenance.body, PortalReplica::maintenancePage());
    EXPECT_EQ(maintenance.body.find("marker"), std::string::npos);
    CurlOptions patient;
    patient.timeoutMs = 20000;
    const Reply garbage = fetch(target, patient);
    EXPECT_EQ(garbage.status, 200);
    EXPECT_EQ(garbage.body.size(), 5u * 1024 * 1024);
    const Reply spoilt = fetch(target);
    EXPECT_NE(spoilt.body.find("\xC3\x28"), std::string::npos);
    EXPECT_NE(spoilt.body.find("<div class=\"marker\">страница</div>"), std::string::npos);
    EXPECT_EQ(fetch(target).body, page);

    // The log tells which request got which fault (the loop's own redirects drew none).
    std::vector<Fault> logged;
    for (const auto& request : replica.requests())
        if (request.path == "/epz/page.html") logged.push_back(request.fault);
    EXPECT_EQ(logged,
              (std::vector<Fault>{Fault::CorruptGzip, Fault::RedirectLoop, Fault::MissingMarkers,
                                  Fault::Garbage, Fault::InvalidUtf8, Fault::None}));
}

TEST_F(Replica, CloseWithoutAnswerSendsNoByte) {
    replica.queueFaults("/plain", {Fault::CloseWithoutAnswer});
    const Reply cut = fetch(url("/plain"));
    EXPECT_TRUE(cut.code == CURLE_GOT_NOTHING || cut.code == CURLE_RECV_ERROR)
        << curl_easy_strerror(cut.code);
    EXPECT_EQ(cut.bytesReceived, 0u);
    EXPECT_EQ(fetch(url("/plain")).body, PortalReplica::sampleText());  // still serving
    const auto log = replica.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].status, 0);
    EXPECT_EQ(log[1].status, 200);
    EXPECT_EQ(fetch(url("/close")).bytesReceived, 0u);  // the same cut as a route
}

TEST_F(Replica, SlowBodyIsPacedAndCutByClientTimeout) {
    replica.setSlowBodyDelay(20ms);
    const Reply slow = fetch(url("/slow?bytes=500"));  // 5 chunks, 4 pauses
    EXPECT_EQ(slow.body.size(), 500u);
    // The server logs the end once the answer is written, which may be just
    // after the client has read its last byte.
    auto entry = replica.requests().back();
    for (int i = 0; i < 200 && entry.finished - entry.started < 80ms; ++i) {
        std::this_thread::sleep_for(5ms);
        entry = replica.requests().back();
    }
    EXPECT_GE(entry.finished - entry.started, 80ms);

    replica.setSlowBodyDelay(200ms);
    replica.queueFaults("/plain", {Fault::SlowBody});
    CurlOptions impatient;
    impatient.timeoutMs = 300;
    EXPECT_EQ(fetch(url("/plain"), impatient).code, CURLE_OPERATION_TIMEDOUT);
}

TEST_F(Replica, DownloadsOfferEachContentDispositionForm) {
    replica.setDownload("ABC123", "%PDF-1.4 test");
    const std::vector<std::pair<std::string, std::string>> forms = {
        {"quoted", "attachment; filename=\"protocol.pdf\""},
        {"plain", "attachment; filename=protocol.pdf"},
        {"upper", "attachment; filename=\"PROTOCOL.PDF\""},
        {"nodot", "attachment; filename=\"protocol\""},
        {"param", "attachment; filename=\"protocol.pdf\"; size=1.5"},
        {"doc", "attachment; filename=\"protocol.docx\""}};
    for (const auto& [form, header] : forms) {
        const Reply reply = fetch(url("/download/priz/file.html?uid=ABC123&cd=" + form));
        EXPECT_TRUE(hasHeader(reply, "Content-Disposition: " + header)) << reply.headers;
        EXPECT_TRUE(hasHeader(reply, "Content-Type: application/download")) << reply.headers;
        EXPECT_EQ(reply.body, "%PDF-1.4 test");
    }
    EXPECT_EQ(fetch(url("/download/priz/file.html?uid=NONE")).body.substr(0, 8), "%PDF-1.4");
}

TEST_F(Replica, DownloadsRefuseAsTextOrAnswerOtherTypes) {
    const Reply refused = fetch(url("/download/priz/file.html?uid=X&type=text"));
    EXPECT_TRUE(hasHeader(refused, "Content-Type: text/html; charset=utf-8"));
    EXPECT_EQ(refused.body, R"({"code":1,"message":"Файл не найден"})");
    const Reply other = fetch(url("/download/priz/file.html?uid=X&type=other"));
    EXPECT_TRUE(hasHeader(other, "Content-Type: application/octet-stream"));
}

TEST_F(Replica, RedirectLoopRunsIntoTheClientsLimit) {
    EXPECT_EQ(fetch(url("/redirect/loop")).code, CURLE_TOO_MANY_REDIRECTS);
}

TEST_F(Replica, HandlersComeBeforePagesAndBuiltInRoutes) {
    replica.setPage("/echo", "page");
    EXPECT_EQ(fetch(url("/echo?x=1")).body, "page");
    replica.setHandler("/ec.o", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("handled " + req.get_param_value("x"), "text/plain");
    });
    EXPECT_EQ(fetch(url("/echo?x=1")).body, "handled 1");
    EXPECT_EQ(fetch(url("/nothing")).status, 404);
}

TEST_F(Replica, LogKeepsArrivalOrderQueriesHeadersAndTimes) {
    CurlOptions options;
    options.headers = {"Referer: https://example.test/"};
    fetch(url("/plain?a=1&b=2"), options);
    fetch(url("/status/404"));
    fetch(url("/empty"));
    const auto log = replica.requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, "/plain");
    EXPECT_EQ(log[0].query, "a=1&b=2");
    EXPECT_EQ(log[0].headers.at("referer"), "https://example.test/");
    EXPECT_EQ(log[1].status, 404);
    EXPECT_EQ(log[2].path, "/empty");
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_LE(log[i].started, log[i].finished);
        if (i > 0) {
            EXPECT_LE(log[i - 1].finished, log[i].started);
        }
    }
    replica.clearLog();
    EXPECT_TRUE(replica.requests().empty());
}

TEST_F(Replica, RandomFaultsFollowTheSeed) {
    const auto campaign = [](PortalReplica& target) {
        target.setFaultRate(Fault::Status500, 0.5, 42);
        std::vector<long> statuses;
        for (int i = 0; i < 8; ++i)
            statuses.push_back(fetch(target.baseUrl() + "/plain").status);
        return statuses;
    };
    PortalReplica other;
    other.start();
    const auto first = campaign(replica);
    EXPECT_EQ(first, campaign(other));
    EXPECT_NE(std::count(first.begin(), first.end(), 500), 0);
    EXPECT_NE(std::count(first.begin(), first.end(), 200), 0);
}

TEST(PortalReplica, TwoReplicasServeAtOnceWithOwnLogs) {
    PortalReplica a, b;
    a.start();
    b.start();
    EXPECT_NE(a.port(), b.port());
    a.setPage("/p", "from a");
    b.setPage("/p", "from b");
    EXPECT_EQ(fetch(a.baseUrl() + "/p").body, "from a");
    EXPECT_EQ(fetch(b.baseUrl() + "/p").body, "from b");
    EXPECT_EQ(a.requests().size(), 1u);
    EXPECT_EQ(b.requests().size(), 1u);
}

TEST(PortalReplica, StartOnATakenPortThrows) {
    const HeldPort taken;
    PortalReplica replica;
    EXPECT_THROW(replica.start(taken.port), std::runtime_error);
    EXPECT_FALSE(replica.isRunning());
}
