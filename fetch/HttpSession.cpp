#include "fetch/HttpSession.h"

#include <QUrl>

#include <curl/curl.h>

#include <chrono>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// How often a running transfer looks at the abort flag and the read time-out.
constexpr int PollStepMs = 100;

struct EasyDeleter {
    void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Why a transfer was ended from our side.
enum class Stop { None, Aborted, ReadTimeout, TotalTimeout, BodyTooLarge };

// What libcurl's callbacks collect during one get().
struct Transfer {
    QByteArray body;
    QByteArray statusLine;  // of the latest response (a proxy's CONNECT answer comes first)
    QByteArray contentType;
    QByteArray contentDisposition;
    Clock::time_point lastByte = Clock::now();
    Clock::time_point deadline = Clock::time_point::max();  // of the whole request
    Stop stop = Stop::None;
};

size_t OnBody(char* data, size_t, size_t size, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->lastByte = Clock::now();
    if (transfer->body.size() + qsizetype(size) > HttpSession::MaxBodyBytes) {
        transfer->stop = Stop::BodyTooLarge;
        return 0;  // makes libcurl fail the transfer
    }
    transfer->body.append(data, qsizetype(size));
    return size;
}

// Header values of the final response only: every status line starts afresh.
size_t OnHeader(char* data, size_t, size_t size, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->lastByte = Clock::now();
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    if (line.startsWith("HTTP/")) {
        transfer->statusLine = line;
        transfer->contentType.clear();
        transfer->contentDisposition.clear();
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) return size;
    const QByteArray name = line.left(colon).trimmed().toLower();
    if (name == "content-type") transfer->contentType = line.mid(colon + 1).trimmed();
    if (name == "content-disposition") transfer->contentDisposition = line.mid(colon + 1).trimmed();
    return size;
}

const char* ReasonPhrase(long code) {
    switch (code) {
        case 300:
            return "Multiple Choices";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 402:
            return "Payment Required";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 406:
            return "Not Acceptable";
        case 407:
            return "Proxy Authentication Required";
        case 408:
            return "Request Timeout";
        case 409:
            return "Conflict";
        case 410:
            return "Gone";
        case 411:
            return "Length Required";
        case 412:
            return "Precondition Failed";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 415:
            return "Unsupported Media Type";
        case 416:
            return "Range Not Satisfiable";
        case 417:
            return "Expectation Failed";
        case 421:
            return "Misdirected Request";
        case 422:
            return "Unprocessable Entity";
        case 425:
            return "Too Early";
        case 426:
            return "Upgrade Required";
        case 428:
            return "Precondition Required";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 451:
            return "Unavailable For Legal Reasons";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        case 505:
            return "HTTP Version Not Supported";
        case 511:
            return "Network Authentication Required";
        default:
            return "";
    }
}

// The status line as received; a line without a reason phrase gets the
// standard one, so that callers can test for texts like "403 Forbidden".
QString StatusText(const QByteArray& statusLine, long code) {
    QList<QByteArray> parts = statusLine.split(' ');
    parts.removeAll(QByteArray());
    if (parts.size() >= 3) return QString::fromUtf8(statusLine);
    const QByteArray version = parts.isEmpty() ? QByteArray("HTTP/1.1") : parts.first();
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromLatin1(version))
        .arg(code)
        .arg(QString::fromLatin1(ReasonPhrase(code)))
        .trimmed();
}

// The peer ended the connection without answering: nothing to read, or the
// TLS layer met the end of the stream (no close_notify) before any response.
bool ClosedWithoutAnswer(CURLcode code, long responseCode, const QString& text) {
    if (code == CURLE_GOT_NOTHING) return true;
    if (responseCode != 0) return false;
    if (code != CURLE_RECV_ERROR && code != CURLE_SSL_CONNECT_ERROR) return false;
    const QString lower = text.toLower();
    return lower.contains(u"eof") || lower.contains(u"ssl_error_syscall") ||
           lower.contains(u"connection closed");
}

// Header values must not carry line breaks into the request.
QByteArray HeaderValue(const QString& text) {
    QByteArray value = text.toUtf8();
    value.replace('\r', ' ').replace('\n', ' ');
    return value;
}

// Addresses with spaces or non-ASCII characters are percent-encoded; all
// others go out exactly as given.
QByteArray RequestUrl(const QString& url) {
    for (const QChar c : url) {
        if (c.unicode() <= 32 || c.unicode() >= 127) return QUrl(url).toEncoded();
    }
    return url.toLatin1();
}

// The port a URL names, or its scheme's default.
int EffectivePort(const QUrl& url) {
    return url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
}

// A redirect may lead to the base's own host only: under the base's scheme and
// port, or under https. Certificates are not checked, so this is what keeps a
// page of another host from being taken for the portal's.
bool RedirectAllowed(const QUrl& target, const QUrl& base) {
    if (!target.isValid() || target.host().isEmpty() || !target.userInfo().isEmpty()) return false;
    if (target.host().compare(base.host(), Qt::CaseInsensitive) != 0) return false;
    const QString scheme = target.scheme().toLower();
    if (scheme == base.scheme().toLower()) return EffectivePort(target) == EffectivePort(base);
    return scheme == u"https" &&
           (EffectivePort(target) == 443 || EffectivePort(target) == EffectivePort(base));
}

}  // namespace

class HttpSession::Impl {
public:
    explicit Impl(HttpSessionSettings settings);
    HttpResponse get(const QString& url);
    // The redirect answer as a failed response, its body dropped.
    HttpResponse notFollowed(Transfer& transfer, const QString& message,
                             const QString& refusedTarget = {}) const;
    // A new multi handle owns a new, empty connection cache; the cookies live
    // in the easy handle and stay.
    void resetConnection() { multi_.reset(curl_multi_init()); }

    ProxySettings proxy;

private:
    void configureHeaders();
    void configureTransport();
    void applyProxy();
    CURLcode perform(Transfer& transfer);
    std::optional<CURLcode> finishedCode();
    bool shouldStop(Transfer& transfer, bool& connected) const;
    HttpResponse response(CURLcode code, Transfer& transfer) const;
    QString failureText(CURLcode code, const Transfer& transfer, HttpResponse& response) const;

    HttpSessionSettings settings_;
    HeaderList headers_;
    EasyHandle easy_;
    MultiHandle multi_;
    char errorText_[CURL_ERROR_SIZE] = {};
};

HttpSession::Impl::Impl(HttpSessionSettings settings) : settings_(std::move(settings)) {
    InitCurlOnce();
    easy_.reset(curl_easy_init());
    multi_.reset(curl_multi_init());
    if (!easy_ || !multi_) throw std::bad_alloc();
    configureHeaders();
    configureTransport();
}

// The request headers, the same for all requests of the session.
void HttpSession::Impl::configureHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "Accept: text/html, */*");
    // "User-Agent;" makes libcurl send the header with an empty value.
    const QByteArray agent = settings_.userAgent.isEmpty()
                                 ? QByteArray("User-Agent;")
                                 : "User-Agent: " + HeaderValue(settings_.userAgent);
    curl_slist* full = list ? curl_slist_append(list, agent.constData()) : nullptr;
    if (!full) {
        curl_slist_free_all(list);
        throw std::bad_alloc();
    }
    headers_.reset(full);
    CURL* h = easy_.get();
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_.get());
    if (!settings_.referer.isEmpty())
        curl_easy_setopt(h, CURLOPT_REFERER, HeaderValue(settings_.referer).constData());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
}

// Time-outs, redirects, TLS, cookies and callbacks, the same for all requests.
void HttpSession::Impl::configureTransport() {
    CURL* h = easy_.get();
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
    // Redirects are followed by get() itself, each target checked first.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_SSLVERSION,
                     long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_TLSv1_2));
    // The portal's certificate is deliberately not checked.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // in-memory cookie store of this session
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
}

void HttpSession::Impl::applyProxy() {
    CURL* h = easy_.get();
    if (proxy.server.isEmpty()) {
        // An explicit empty proxy: no earlier proxy and no environment setting applies.
        curl_easy_setopt(h, CURLOPT_PROXY, "");
        return;
    }
    const QByteArray server = "http://" + proxy.server.toUtf8();
    curl_easy_setopt(h, CURLOPT_PROXY, server.constData());
    const bool validPort = proxy.port > 0 && proxy.port <= 65535;
    curl_easy_setopt(h, CURLOPT_PROXYPORT, validPort ? long(proxy.port) : 0L);
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
    const bool withUser = !proxy.user.isEmpty();
    const QByteArray user = proxy.user.toUtf8();
    const QByteArray password = proxy.password.toUtf8();
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, withUser ? user.constData() : nullptr);
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, withUser ? password.constData() : nullptr);
}

HttpResponse HttpSession::Impl::get(const QString& url) {
    const QUrl base(settings_.redirectBase.isEmpty() ? url : settings_.redirectBase);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(settings_.totalTimeoutMs);
    CURL* h = easy_.get();
    QByteArray target = RequestUrl(url);
    for (long redirects = 0;; ++redirects) {
        Transfer transfer;
        transfer.deadline = deadline;
        errorText_[0] = '\0';
        curl_easy_setopt(h, CURLOPT_URL, target.constData());
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
        applyProxy();
        const CURLcode code = perform(transfer);
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        char* location = nullptr;
        if (code == CURLE_OK && transfer.stop == Stop::None && status >= 300 && status < 400)
            curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
        if (!location) return response(code, transfer);
        const QByteArray next(location);
        if (!RedirectAllowed(QUrl::fromEncoded(next), base)) {
            const QString refused = QString::fromUtf8(next);
            return notFollowed(
                transfer,
                QStringLiteral("Перенаправление на другой сайт не выполнено: ") + refused.left(500),
                refused);
        }
        if (redirects >= settings_.maxRedirects) {
            return notFollowed(
                transfer,
                QStringLiteral("Maximum (%1) redirects followed").arg(settings_.maxRedirects));
        }
        target = next;
    }
}

HttpResponse HttpSession::Impl::notFollowed(Transfer& transfer, const QString& message,
                                            const QString& refusedTarget) const {
    HttpResponse result = response(CURLE_OK, transfer);
    result.ok = false;
    result.body.clear();
    result.refusedRedirect = refusedTarget;
    result.errorMessage = message;
    return result;
}

namespace {

// Keeps the easy handle in the multi handle for the length of one transfer;
// removing it early ends an unfinished transfer and closes its connection.
class Attachment {
public:
    Attachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
        added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
    }
    ~Attachment() {
        if (added_) curl_multi_remove_handle(multi_, easy_);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    bool added() const { return added_; }

private:
    CURLM* multi_;
    CURL* easy_;
    bool added_ = false;
};

}  // namespace

// Drives the transfer in steps of at most PollStepMs so that an abort or a
// stalled read is noticed promptly, also while nothing arrives.
CURLcode HttpSession::Impl::perform(Transfer& transfer) {
    Attachment attachment(multi_.get(), easy_.get());
    if (!attachment.added()) return CURLE_FAILED_INIT;
    bool connected = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) return CURLE_FAILED_INIT;
        if (const std::optional<CURLcode> code = finishedCode()) return *code;
        if (running == 0) return CURLE_FAILED_INIT;  // cannot happen without a message
        if (shouldStop(transfer, connected)) return CURLE_ABORTED_BY_CALLBACK;
        curl_multi_poll(multi_.get(), nullptr, 0, PollStepMs, nullptr);
    }
}

std::optional<CURLcode> HttpSession::Impl::finishedCode() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get())
            return message->data.result;
    }
    return std::nullopt;
}

// The read time-out counts from the moment the request can be sent (connect
// and TLS handshake have their own time-out) and restarts with every byte.
bool HttpSession::Impl::shouldStop(Transfer& transfer, bool& connected) const {
    if (settings_.abortFlag && settings_.abortFlag->load()) {
        transfer.stop = Stop::Aborted;
        return true;
    }
    const Clock::time_point now = Clock::now();
    if (now >= transfer.deadline) {
        transfer.stop = Stop::TotalTimeout;
        return true;
    }
    if (!connected) {
        curl_off_t pretransfer = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
        connected = pretransfer > 0;
        if (connected) transfer.lastByte = now;
        return false;
    }
    if (now - transfer.lastByte >= std::chrono::milliseconds(settings_.readTimeoutMs)) {
        transfer.stop = Stop::ReadTimeout;
        return true;
    }
    return false;
}

HttpResponse HttpSession::Impl::response(CURLcode code, Transfer& transfer) const {
    HttpResponse result;
    long status = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
    result.statusCode = int(status);
    result.body = std::move(transfer.body);
    result.contentType = std::move(transfer.contentType);
    result.contentDisposition = std::move(transfer.contentDisposition);
    // Part of an oversized body is of no use to anyone; free it at once.
    if (transfer.stop == Stop::BodyTooLarge) result.body.clear();
    if (code != CURLE_OK || transfer.stop != Stop::None) {
        result.errorMessage = failureText(code, transfer, result);
    } else if (status >= 400) {
        result.errorMessage = StatusText(transfer.statusLine, status);
    } else {
        result.ok = status > 0;
        if (!result.ok) result.errorMessage = QStringLiteral("No HTTP response");
    }
    return result;
}

QString HttpSession::Impl::failureText(CURLcode code, const Transfer& transfer,
                                       HttpResponse& result) const {
    switch (transfer.stop) {
        case Stop::Aborted:
            return QStringLiteral("aborted");
        case Stop::ReadTimeout:
            return QStringLiteral("Read timed out: no data for %1 ms").arg(settings_.readTimeoutMs);
        case Stop::TotalTimeout:
            return QStringLiteral("Operation timed out: the request took longer than %1 ms")
                .arg(settings_.totalTimeoutMs);
        case Stop::BodyTooLarge:
            return QStringLiteral("Response body larger than %1 bytes").arg(MaxBodyBytes);
        case Stop::None:
            break;
    }
    const QString text =
        QString::fromUtf8(errorText_[0] ? errorText_ : curl_easy_strerror(code)).trimmed();
    long proxyStatus = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_HTTP_CONNECTCODE, &proxyStatus);
    if (proxyStatus >= 400) {
        // The proxy refused the tunnel; its answer is the response there is.
        result.statusCode = int(proxyStatus);
        result.proxyRefused = true;
        return StatusText(transfer.statusLine, proxyStatus);
    }
    if (ClosedWithoutAnswer(code, result.statusCode, text))
        return QStringLiteral("Connection Closed Gracefully (%1)").arg(text);
    return text;
}

HttpSession::HttpSession(HttpSessionSettings settings)
    : impl_(std::make_unique<Impl>(std::move(settings))) {}
HttpSession::~HttpSession() = default;
HttpSession::HttpSession(HttpSession&&) noexcept = default;
HttpSession& HttpSession::operator=(HttpSession&&) noexcept = default;

ProxySettings& HttpSession::proxy() {
    return impl_->proxy;
}
HttpResponse HttpSession::get(const QString& url) {
    return impl_->get(url);
}
void HttpSession::resetConnection() {
    impl_->resetConnection();
}
