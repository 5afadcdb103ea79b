#pragma once

#include "replica/ResponseBody.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

// The request's headers as the client sent them: names lower-case, repeats joined by ", ",
// without the REMOTE_ADDR-style entries cpp-httplib adds of its own.
std::map<std::string, std::string> receivedHeaders(const httplib::Request& req);

// The replica's built-in GET routes: what a client's HTTP layer relies on (headers it sends,
// compression, cookies across a redirect, status lines, empty and slow bodies, a redirect loop)
// and the portal's document downloads. Thread-safe; serve() runs on the server's workers.
class ReplicaRoutes {
public:
    // Answers a built-in route and returns true; false when the path is none of them.
    // Bodies are left in res.body, except /slow, which is paced already.
    bool serve(const httplib::Request& req, httplib::Response& res, const Pacing& pacing);

    void setDownload(const std::string& uid, std::string bytes);

    static const std::string& sampleText();
    // A minimal well-formed one-page PDF whose text holds a company's INN.
    static const std::string& samplePdf();

private:
    void echo(const httplib::Request& req, httplib::Response& res);
    void setCookie(httplib::Response& res);
    void checkCookie(const httplib::Request& req, httplib::Response& res);
    void status(const httplib::Request& req, httplib::Response& res);
    void slow(const httplib::Request& req, httplib::Response& res, const Pacing& pacing);
    void download(const httplib::Request& req, httplib::Response& res);

    mutable std::mutex mutex_;
    std::set<std::string> sessions_;  // cookie values handed out by /cookie/set
    std::map<std::string, std::string> downloads_;
};
