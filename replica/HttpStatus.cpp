#include "replica/HttpStatus.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, std::string_view>, 39> kPhrases{{
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {203, "Non-Authoritative Information"},
    {204, "No Content"},
    {205, "Reset Content"},
    {206, "Partial Content"},
    {300, "Multiple Choices"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {303, "See Other"},
    {304, "Not Modified"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {402, "Payment Required"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {406, "Not Acceptable"},
    {407, "Proxy Authentication Required"},
    {408, "Request Timeout"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length Required"},
    {412, "Precondition Failed"},
    {413, "Payload Too Large"},
    {414, "URI Too Long"},
    {415, "Unsupported Media Type"},
    {416, "Range Not Satisfiable"},
    {429, "Too Many Requests"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
    {505, "HTTP Version Not Supported"},
}};

}  // namespace

std::string_view HttpStatus::reasonPhrase(int code) {
    const auto it = std::find_if(kPhrases.begin(), kPhrases.end(),
                                 [code](const auto& entry) { return entry.first == code; });
    return it == kPhrases.end() ? std::string_view{} : it->second;
}

void HttpStatus::setErrorPage(httplib::Response& res, int code) {
    const std::string title = std::to_string(code) + " " + std::string(reasonPhrase(code));
    res.status = code;
    res.set_content("<html>\r\n<head><title>" + title +
                        "</title></head>\r\n<body>\r\n<center><h1>" + title +
                        "</h1></center>\r\n<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n",
                    "text/html; charset=utf-8");
}
