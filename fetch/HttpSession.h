#pragma once

#include "fetch/ProxySettings.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

// One HTTP client session of a fetch worker: its own connection, TLS layer,
// decoder and cookie store. A session belongs to one thread at a time; sessions
// share nothing with each other. No member throws for a failed request: every
// failure comes back in HttpResponse.

// The total time limits of one request: a page sent one byte at a time never
// runs into the read time-out, and would hold the request turn meanwhile. A
// page (a card, a result list) is tens to hundreds of kilobytes, so a minute
// is ample; a document may be megabytes and gets longer.
inline constexpr long kPageTimeLimitMs = 60 * 1000;
inline constexpr long kDownloadTimeLimitMs = 5 * 60 * 1000;
// Connection, TLS handshake and a proxy's tunnel together: a peer that takes
// longer is not going to answer.
inline constexpr long kConnectTimeoutMs = 30 * 1000;

struct HttpSessionSettings {
    QString userAgent;  // sent verbatim, also when empty
    QString referer;    // not sent when empty
    long connectTimeoutMs = kConnectTimeoutMs;
    long readTimeoutMs = 120000;  // longest wait for the next byte, not a cap on the transfer
    long maxRedirects = 20;
    // The longest a whole request may take, redirects included, however
    // steadily its bytes arrive; past it the request fails like a time-out.
    long totalTimeoutMs = kPageTimeLimitMs;
    // Redirects are followed only to this scheme and host ("https://zakupki.gov.ru"),
    // or to https on the same host; empty: the scheme and host of the address
    // requested. Any other target fails the request (HttpResponse::refusedRedirect).
    QString redirectBase;
    // When set to true, a transfer in progress is aborted within ~100 ms.
    // Owned by the caller and must outlive every get().
    const std::atomic<bool>* abortFlag = nullptr;
};

struct HttpResponse {
    bool ok = false;     // a final response with status < 400 was received
    int statusCode = 0;  // 0 when no response came
    // Empty when ok. A status failure gives the status line ("HTTP/1.1 403 Forbidden"),
    // a connection the peer closed without an answer a text containing
    // "Connection Closed Gracefully", an abort "aborted", anything else libcurl's text.
    QString errorMessage;
    QByteArray body;                // decoded (gzip/deflate) body bytes
    QByteArray contentType;         // Content-Type of the final response
    QByteArray contentDisposition;  // Content-Disposition of the final response
    // The target of a redirect that was not followed because it leads off the
    // allowed host; errorMessage then names it. Empty otherwise.
    QString refusedRedirect;
    // statusCode is a proxy's refusal of the tunnel, not the server's answer.
    bool proxyRefused = false;
};

class HttpSession {
public:
    // Bodies larger than this fail instead of filling the memory.
    static constexpr qsizetype MaxBodyBytes = 64 * 1024 * 1024;

    explicit HttpSession(HttpSessionSettings settings);
    ~HttpSession();
    HttpSession(HttpSession&&) noexcept;
    HttpSession& operator=(HttpSession&&) noexcept;
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // Applied before every get(); an empty server means a direct connection.
    ProxySettings& proxy();

    // GET with redirects on the allowed host followed; blocks until the final
    // response, a failure, the total time limit or an abort.
    HttpResponse get(const QString& url);

    // Closes the connection and drops anything buffered, so the next get()
    // connects afresh; keeps the cookies.
    void resetConnection();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
