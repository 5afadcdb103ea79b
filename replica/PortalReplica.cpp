#include "replica/PortalReplica.h"

#include "replica/ConnectionCloser.h"
#include "replica/FaultPlan.h"
#include "replica/HttpStatus.h"
#include "replica/ReplicaRoutes.h"
#include "replica/ResponseBody.h"
#include "replica/SelfSignedCertificate.h"
#include "replica/TemporaryFolder.h"

#include <sys/socket.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

struct Page {
    std::string body, contentType;
};

struct CustomHandler {
    std::string pattern;
    std::regex regex;
    Handler handler;
};

// The request a server worker thread is answering, so that the logger, which cpp-httplib
// calls on the same thread once the answer is written, finds its log entry.
struct CurrentRequest {
    const void* replica = nullptr;
    std::uint64_t id = 0;
    bool cut = false;
};
thread_local CurrentRequest currentRequest;

std::string httpDate() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// 5 MB of bytes from a fixed generator: the same garbage every time, made once.
const std::string& garbageBody() {
    static const std::string body = [] {
        std::string bytes(5 * 1024 * 1024, '\0');
        std::uint64_t state = 0x9E3779B97F4A7C15u;
        for (char& byte : bytes) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            byte = static_cast<char>(state >> 24);
        }
        return bytes;
    }();
    return body;
}

// Overlong, truncated, surrogate and out-of-range sequences and lone continuation bytes.
constexpr const char* kInvalidUtf8Comment =
    "<!-- \xC3\x28 \xA0\xA1 \xE2\x82 \xED\xA0\x80 \xF8\x88\x80\x80\x80 \xC0\xAF \xFF\xFE -->";

// Puts the invalid bytes into a text page after its first tag, leaving the markup intact.
void spoilUtf8(httplib::Response& res) {
    if (res.get_header_value("Content-Type").rfind("text/html", 0) != 0) return;
    const auto tagEnd = res.body.find('>');
    res.body.insert(tagEnd == std::string::npos ? 0 : tagEnd + 1, kInvalidUtf8Comment);
}

std::string queryOf(const httplib::Request& req) {
    const auto mark = req.target.find('?');
    return mark == std::string::npos ? std::string{} : req.target.substr(mark + 1);
}

}  // namespace

class PortalReplica::Impl {
public:
    Impl() : folder_("cf-portal-replica") {
        writeSelfSignedCertificate(certificateFile(), keyFile());
    }

    std::filesystem::path certificateFile() const { return folder_.path() / "replica.crt"; }
    std::filesystem::path keyFile() const { return folder_.path() / "replica.key"; }

    void start(int port);
    void stop();
    bool isRunning() const;

    mutable std::mutex mutex_;  // guards everything below but the server and its thread
    std::vector<CustomHandler> handlers_;
    std::map<std::string, Page> pages_;
    FaultPlan faults_;
    std::chrono::milliseconds slowDelay_{50};
    std::chrono::milliseconds trickleDelay_{2000};
    std::vector<LoggedRequest> log_;
    std::vector<std::uint64_t> logIds_;  // parallel to log_, so clearLog keeps ids unique
    std::uint64_t nextId_ = 1;
    int port_ = 0;

    ReplicaRoutes routes_;
    StopSignal stopSignal_;

private:
    void configure(httplib::Server& server);
    httplib::Server::HandlerResponse dispatch(const httplib::Request& req, httplib::Response& res);
    void answer(const httplib::Request& req, httplib::Response& res, Fault fault);
    bool answerWithFault(const httplib::Request& req, httplib::Response& res, Fault fault);
    bool answerFromRegistry(const httplib::Request& req, httplib::Response& res);
    void cutConnection(const httplib::Request& req, httplib::Response& res);
    std::uint64_t logArrival(const httplib::Request& req);
    void logDone(std::uint64_t id, int status, Clock::time_point finished);

    TemporaryFolder folder_;
    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    std::atomic<bool> listenEnded_{false};
};

void PortalReplica::Impl::start(int port) {
    if (server_) throw std::runtime_error("реплика портала уже запущена");
    auto server =
        std::make_unique<httplib::SSLServer>(certificateFile().c_str(), keyFile().c_str());
    if (!server->is_valid()) throw std::runtime_error("реплика портала: не удалось настроить TLS");
    configure(*server);
    const int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                                : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        throw std::runtime_error("реплика портала: не удалось занять адрес 127.0.0.1:" +
                                 std::to_string(port));
    }
    stopSignal_.reset();
    listenEnded_ = false;
    server_ = std::move(server);
    {
        std::lock_guard lock(mutex_);
        port_ = bound;
    }
    thread_ = std::thread([this] {
        // A client that hangs up (or a cut connection) makes the next write raise SIGPIPE,
        // which would end the whole test process; cpp-httplib's workers are started from
        // this thread and inherit the blocked mask, so the write just fails instead.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    while (!server_->is_running() && !listenEnded_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!server_->is_running()) {
        stop();
        throw std::runtime_error("реплика портала: сервер не запустился");
    }
}

void PortalReplica::Impl::stop() {
    if (!server_) return;
    stopSignal_.stop();  // paced bodies give up, so the workers can be joined at once
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

bool PortalReplica::Impl::isRunning() const {
    return server_ && server_->is_running();
}

void PortalReplica::Impl::configure(httplib::Server& server) {
    // Only SO_REUSEADDR: cpp-httplib's default adds SO_REUSEPORT, with which a second server
    // on a taken port would silently share it instead of failing.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_default_headers({{"Server", "nginx"}});
    server.set_keep_alive_max_count(100);
    // Bounds how long stop() waits for an idle kept-alive connection to be noticed.
    server.set_keep_alive_timeout(2);
    server.set_tcp_nodelay(true);
    server.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return dispatch(req, res); });
    server.set_logger([this](const httplib::Request&, const httplib::Response& res) {
        if (currentRequest.replica != this) return;
        logDone(currentRequest.id, currentRequest.cut ? 0 : res.status,
                ResponseBody::lastWriteBegun().value_or(Clock::now()));
        currentRequest = {};
    });
}

// Every request, whatever its method, comes here before cpp-httplib's own routing, so that
// logging and faults cover all of them.
httplib::Server::HandlerResponse PortalReplica::Impl::dispatch(const httplib::Request& req,
                                                               httplib::Response& res) {
    const std::uint64_t id = logArrival(req);
    ResponseBody::clearLastWriteBegun();
    currentRequest = {this, id, false};
    Fault fault;
    {
        std::lock_guard lock(mutex_);
        // The loop is a fault of its own: its hops draw none, so that it always runs into the
        // client's redirect limit.
        fault = req.path == "/redirect/loop" ? Fault::None : faults_.next(req.path);
        for (std::size_t i = logIds_.size(); i-- > 0;) {
            if (logIds_[i] == id) {
                log_[i].fault = fault;
                break;
            }
        }
    }
    res.set_header("Date", httpDate());
    answer(req, res, fault);
    if (res.status == -1) res.status = 200;
    // Provisional: the logger overwrites the time once the answer has gone out.
    logDone(id, currentRequest.cut ? 0 : res.status, Clock::now());
    return httplib::Server::HandlerResponse::Handled;
}

// Answers the faults that take the place of the route's answer; false for None and SlowBody.
bool PortalReplica::Impl::answerWithFault(const httplib::Request& req, httplib::Response& res,
                                          Fault fault) {
    switch (fault) {
        case Fault::Status403:
            HttpStatus::setErrorPage(res, 403);
            return true;
        case Fault::Status404:
            HttpStatus::setErrorPage(res, 404);
            return true;
        case Fault::Status429:
            HttpStatus::setErrorPage(res, 429);
            return true;
        case Fault::Status500:
            HttpStatus::setErrorPage(res, 500);
            return true;
        case Fault::EmptyBody:
            res.status = 200;
            res.set_header("Content-Type", "text/html; charset=utf-8");
            return true;
        case Fault::CloseWithoutAnswer:
            cutConnection(req, res);
            return true;
        case Fault::CorruptGzip:
            res.status = 200;
            res.set_header("Content-Encoding", "gzip");
            // A gzip header, then bytes that are no deflate stream.
            res.set_content(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) +
                                garbageBody().substr(0, 4096),
                            "text/html; charset=utf-8");
            ResponseBody::sendAsIs(res);
            return true;
        case Fault::RedirectLoop:
            res.set_redirect("/redirect/loop", 302);
            return true;
        case Fault::OffHostRedirect: {
            int port = 0;
            {
                std::lock_guard lock(mutex_);
                port = port_;
            }
            const std::string query = queryOf(req);
            res.set_redirect("https://localhost:" + std::to_string(port) + req.path +
                                 (query.empty() ? "" : "?" + query),
                             302);
            return true;
        }
        case Fault::MissingMarkers:
            res.status = 200;
            res.set_content(maintenancePage(), "text/html; charset=utf-8");
            ResponseBody::sendAsIs(res);
            return true;
        case Fault::Garbage:
            res.status = 200;
            res.set_content(garbageBody(), "text/html; charset=utf-8");
            ResponseBody::sendAsIs(res);
            return true;
        case Fault::None:
        case Fault::SlowBody:
        case Fault::TrickleBody:
        case Fault::InvalidUtf8:
            return false;
    }
    return false;
}

void PortalReplica::Impl::answer(const httplib::Request& req, httplib::Response& res, Fault fault) {
    if (answerWithFault(req, res, fault)) return;
    Pacing pacing{{}, &stopSignal_};
    {
        std::lock_guard lock(mutex_);
        pacing.perChunk = slowDelay_;
    }
    if (req.method != "GET" && req.method != "HEAD") {
        HttpStatus::setErrorPage(res, 405);
    } else if (!answerFromRegistry(req, res)) {
        // /close is served here rather than among the routes: only the replica can cut.
        if (req.path == "/close") return cutConnection(req, res);
        if (!routes_.serve(req, res, pacing)) HttpStatus::setErrorPage(res, 404);
    }
    if (fault == Fault::InvalidUtf8) spoilUtf8(res);
    if (fault == Fault::TrickleBody) {
        Pacing trickle = pacing;
        trickle.chunkSize = 1;
        {
            std::lock_guard lock(mutex_);
            trickle.perChunk = trickleDelay_;
        }
        ResponseBody::sendPaced(res, trickle);
    } else if (fault == Fault::SlowBody) {
        ResponseBody::sendPaced(res, pacing);
    } else {
        ResponseBody::sendAsIs(res);
    }
}

void PortalReplica::Impl::cutConnection(const httplib::Request& req, httplib::Response& res) {
    // The answer cpp-httplib then writes fails on the shut socket and is dropped; should the
    // connection not be found, the client gets a 500 rather than a hang.
    currentRequest.cut = shutDownConnection(req.ssl, req.local_port, req.remote_port);
    HttpStatus::setErrorPage(res, 500);
}

bool PortalReplica::Impl::answerFromRegistry(const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        for (const auto& custom : handlers_) {
            if (std::regex_match(req.path, custom.regex)) {
                handler = custom.handler;
                break;
            }
        }
        if (!handler) {
            const auto page = pages_.find(req.path);
            if (page == pages_.end()) return false;
            res.set_content(page->second.body, page->second.contentType);
            return true;
        }
    }
    handler(req, res);  // outside the lock: a handler may call back into the replica
    return true;
}

std::uint64_t PortalReplica::Impl::logArrival(const httplib::Request& req) {
    LoggedRequest entry{req.method, req.path, queryOf(req), receivedHeaders(req), Clock::now(),
                        {},         0};
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(entry));
    logIds_.push_back(nextId_);
    return nextId_++;
}

void PortalReplica::Impl::logDone(std::uint64_t id, int status, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = logIds_.size(); i-- > 0;) {
        if (logIds_[i] == id) {
            log_[i].finished = now;
            log_[i].status = status;
            return;
        }
    }
}

PortalReplica::PortalReplica() : impl_(std::make_unique<Impl>()) {}

PortalReplica::~PortalReplica() {
    impl_->stop();
}

void PortalReplica::start(int port) {
    impl_->start(port);
}

void PortalReplica::stop() {
    impl_->stop();
}

bool PortalReplica::isRunning() const {
    return impl_->isRunning();
}

int PortalReplica::port() const {
    std::lock_guard lock(impl_->mutex_);
    return impl_->port_;
}

std::string PortalReplica::baseUrl() const {
    return "https://127.0.0.1:" + std::to_string(port());
}

std::string PortalReplica::certificatePath() const {
    return impl_->certificateFile().string();
}

void PortalReplica::setPage(const std::string& path, std::string body, std::string contentType) {
    std::lock_guard lock(impl_->mutex_);
    impl_->pages_[path] = Page{std::move(body), std::move(contentType)};
}

void PortalReplica::setHandler(const std::string& pathRegex, Handler handler) {
    std::regex regex(pathRegex);  // throws std::regex_error on a bad pattern, before locking
    std::lock_guard lock(impl_->mutex_);
    auto& handlers = impl_->handlers_;
    for (auto& custom : handlers) {
        if (custom.pattern == pathRegex) {
            custom.regex = std::move(regex);
            custom.handler = std::move(handler);
            return;
        }
    }
    handlers.push_back({pathRegex, std::move(regex), std::move(handler)});
}

void PortalReplica::setDownload(const std::string& uid, std::string bytes) {
    impl_->routes_.setDownload(uid, std::move(bytes));
}

void PortalReplica::queueFaults(const std::string& pathPrefix, std::vector<Fault> faults) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.queue(pathPrefix, faults);
}

void PortalReplica::setFaultRate(Fault fault, double rate, unsigned seed) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.setRate(fault, rate, seed);
}

void PortalReplica::setSlowBodyDelay(std::chrono::milliseconds perChunk) {
    std::lock_guard lock(impl_->mutex_);
    impl_->slowDelay_ = perChunk;
}

void PortalReplica::setTrickleDelay(std::chrono::milliseconds perByte) {
    std::lock_guard lock(impl_->mutex_);
    impl_->trickleDelay_ = perByte;
}

std::vector<PortalReplica::LoggedRequest> PortalReplica::requests() const {
    std::lock_guard lock(impl_->mutex_);
    return impl_->log_;
}

void PortalReplica::clearLog() {
    std::lock_guard lock(impl_->mutex_);
    impl_->log_.clear();
    impl_->logIds_.clear();
}

const std::string& PortalReplica::maintenancePage() {
    static const std::string page =
        "<!DOCTYPE html><html><head><title>Единая информационная система</title></head><body>"
        "<h1>Ведутся технические работы</h1><p>Сервис временно недоступен, попробуйте "
        "позже.</p></body></html>";
    return page;
}

const char* PortalReplica::faultName(Fault fault) {
    switch (fault) {
        case Fault::None:
            return "None";
        case Fault::Status403:
            return "Status403";
        case Fault::Status404:
            return "Status404";
        case Fault::Status429:
            return "Status429";
        case Fault::Status500:
            return "Status500";
        case Fault::EmptyBody:
            return "EmptyBody";
        case Fault::SlowBody:
            return "SlowBody";
        case Fault::CloseWithoutAnswer:
            return "CloseWithoutAnswer";
        case Fault::CorruptGzip:
            return "CorruptGzip";
        case Fault::RedirectLoop:
            return "RedirectLoop";
        case Fault::OffHostRedirect:
            return "OffHostRedirect";
        case Fault::TrickleBody:
            return "TrickleBody";
        case Fault::MissingMarkers:
            return "MissingMarkers";
        case Fault::Garbage:
            return "Garbage";
        case Fault::InvalidUtf8:
            return "InvalidUtf8";
    }
    return "?";
}

const std::string& PortalReplica::sampleText() {
    return ReplicaRoutes::sampleText();
}
