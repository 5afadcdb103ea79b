#include "replica/ResponseBody.h"

#include <httplib.h>

#include <algorithm>
#include <memory>

bool StopSignal::sleepFor(std::chrono::milliseconds duration) const {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, duration, [this] { return stopped_; });
}

void StopSignal::stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

void StopSignal::reset() {
    std::lock_guard lock(mutex_);
    stopped_ = false;
}

namespace {

thread_local std::optional<std::chrono::steady_clock::time_point> tLastWriteBegun;

// Writes a chunk, noting the time first when it is the body's last.
bool writeChunk(httplib::DataSink& sink, const std::string& body, std::size_t offset,
                std::size_t length) {
    if (offset + length >= body.size()) tLastWriteBegun = std::chrono::steady_clock::now();
    return sink.write(body.data() + offset, length);
}

// Moves the body out of the response into a provider; the body must not stay in res.body, or
// cpp-httplib would send that instead of asking the provider.
std::shared_ptr<const std::string> takeBody(httplib::Response& res, std::string& contentType) {
    contentType = res.get_header_value("Content-Type");
    res.headers.erase("Content-Type");  // set_content_provider adds it again
    auto body = std::make_shared<const std::string>(std::move(res.body));
    res.body.clear();
    return body;
}

}  // namespace

std::optional<std::chrono::steady_clock::time_point> ResponseBody::lastWriteBegun() {
    return tLastWriteBegun;
}

void ResponseBody::clearLastWriteBegun() {
    tLastWriteBegun.reset();
}

void ResponseBody::sendAsIs(httplib::Response& res) {
    if (res.body.empty()) return;  // cpp-httplib sends "Content-Length: 0" and nothing to squeeze
    std::string contentType;
    auto body = takeBody(res, contentType);
    res.set_content_provider(
        body->size(), contentType,
        [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return writeChunk(sink, *body, offset, length);
        });
}

void ResponseBody::sendPaced(httplib::Response& res, const Pacing& pacing) {
    if (res.body.empty()) return;
    std::string contentType;
    auto body = takeBody(res, contentType);
    res.set_content_provider(
        body->size(), contentType,
        [body, pacing](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset > 0 && !pacing.stop->sleepFor(pacing.perChunk)) return false;
            return writeChunk(sink, *body, offset, std::min(length, pacing.chunkSize));
        });
}
