#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A stand-in for the procurement portal: an HTTPS server on 127.0.0.1 with a fresh self-signed
// certificate, serving registered pages, test routes (/echo, /gzip, /cookie/set, /status/403,
// /download/..., ...) and injected faults, and logging every request it receives.
//
// Threads: the server runs on its own thread (and cpp-httplib's worker pool); every public
// member may be called from any thread, also while the server runs. Registered handlers run on
// the server's worker threads.
// Ownership: the replica owns its server thread and its temporary folder (certificate and key);
// the destructor stops the server, joins the thread and removes the folder.
class PortalReplica {
public:
    enum class Fault {
        None,                // answer normally (a queued None passes one request through)
        Status403,           // "403 Forbidden" error page
        Status404,           // "404 Not Found" error page
        Status429,           // "429 Too Many Requests" error page
        Status500,           // "500 Internal Server Error" error page
        EmptyBody,           // 200 with an empty body
        SlowBody,            // the normal answer, its body paced by setSlowBodyDelay
        CloseWithoutAnswer,  // the connection is cut; the client receives no byte at all
        CorruptGzip,         // 200 under "Content-Encoding: gzip" whose body does not inflate
        RedirectLoop,        // 302 to /redirect/loop, which redirects to itself for ever
        MissingMarkers,      // 200 with a maintenance page that has none of the portal's markup
        Garbage,             // 200 "text/html" with 5 MB of random bytes
        InvalidUtf8,         // the normal answer, with invalid UTF-8 put into an HTML comment
        // 302 to the same path and query on "localhost" (the replica again, under another host
        // name): a client that follows it shows in the log with that Host.
        OffHostRedirect,
        TrickleBody,  // the normal answer, one byte at a time paced by setTrickleDelay
    };

    struct LoggedRequest {
        std::string method, path, query;             // query without "?", as sent
        std::map<std::string, std::string> headers;  // names lower-case; repeats joined by ", "
        // Headers read; the answer written (for a body: when its last bytes began to go out,
        // which no client can see the answer's end before).
        std::chrono::steady_clock::time_point started, finished;
        int status = 0;             // status sent; 0 when the connection was cut without an answer
        Fault fault = Fault::None;  // the fault the request was answered with
    };

    // Makes the certificate and key; throws std::runtime_error when that fails.
    PortalReplica();
    ~PortalReplica();
    PortalReplica(const PortalReplica&) = delete;
    PortalReplica& operator=(const PortalReplica&) = delete;

    // Listens on 127.0.0.1:port (0: a free port) and returns once connections are served.
    // Throws std::runtime_error when already running or the port cannot be taken.
    void start(int port = 0);
    // Stops and joins the server; slow bodies in flight are cut. Safe to call when stopped.
    void stop();
    bool isRunning() const;

    int port() const;                     // 0 before the first start
    std::string baseUrl() const;          // "https://127.0.0.1:<port>"
    std::string certificatePath() const;  // PEM file, usable as a client's only trusted CA

    // A page at exactly this path, whatever the query. Replaces an earlier one.
    void setPage(const std::string& path, std::string body,
                 std::string contentType = "text/html; charset=utf-8");
    // A handler for paths matching the regular expression as a whole; handlers are tried in
    // the order they were set (setting a pattern again replaces it), before pages and the
    // built-in routes. Faults still apply first.
    void setHandler(const std::string& pathRegex,
                    std::function<void(const httplib::Request&, httplib::Response&)> handler);
    // The document bytes answered for /download/...?uid=<uid> (a small fake PDF otherwise).
    void setDownload(const std::string& uid, std::string bytes);

    // The next requests whose path starts with the prefix get these faults, one each, in order.
    // Queued faults come before random ones; queues of several matching prefixes are used in
    // the order they were first queued.
    void queueFaults(const std::string& pathPrefix, std::vector<Fault> faults);
    // Every request draws from a generator seeded with seed; the fault's share of requests is
    // rate (0 removes it; the rates of all faults should sum to at most 1). Setting any rate
    // reseeds the generator, so a campaign is reproducible.
    void setFaultRate(Fault fault, double rate, unsigned seed);
    void setSlowBodyDelay(std::chrono::milliseconds perChunk);  // 50 ms per 100 bytes at first
    void setTrickleDelay(std::chrono::milliseconds perByte);    // 2 s per byte at first

    std::vector<LoggedRequest> requests() const;  // in arrival order
    void clearLog();

    // The page the MissingMarkers fault answers.
    static const std::string& maintenancePage();
    // "CorruptGzip", ...: for messages.
    static const char* faultName(Fault fault);

    // The UTF-8 text (with Cyrillic) that /plain, /gzip and /deflate answer.
    static const std::string& sampleText();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
