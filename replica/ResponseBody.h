#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace httplib {
struct Response;
}

// Lets sleeping body writers end early when the server stops, so stop() never waits out a
// slow body. Thread-safe.
class StopSignal {
public:
    // Sleeps for the duration; false when stop() came first (or had come already).
    bool sleepFor(std::chrono::milliseconds duration) const;
    void stop();
    void reset();

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopped_ = false;
};

// How a slow body is paced: chunkSize bytes, then perChunk of silence, and so on.
struct Pacing {
    std::chrono::milliseconds perChunk;
    const StopSignal* stop;
    std::size_t chunkSize = 100;
};

namespace ResponseBody {

// When this thread last began writing the final bytes of a body (cleared by
// clearLastWriteBegun). A client cannot have the whole answer before that moment, while the
// server may note the answer's end only after the client has moved on: this is the end time
// that orders requests safely.
std::optional<std::chrono::steady_clock::time_point> lastWriteBegun();
void clearLastWriteBegun();

// Sends the response's body exactly as it is, with a Content-Length. Without this cpp-httplib
// compresses text bodies itself (brotli or gzip, whatever the client accepts), which would hide
// from the client tests what the portal really sends and double-encode pre-compressed bodies.
void sendAsIs(httplib::Response& res);

// Sends the response's body in chunks with pauses between them (Content-Length still known,
// as a slow server would send it). The writer gives up when the signal stops.
void sendPaced(httplib::Response& res, const Pacing& pacing);

}  // namespace ResponseBody
