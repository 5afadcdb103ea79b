#pragma once

#include <string>
#include <string_view>

namespace httplib {
struct Response;
}

namespace HttpStatus {

// The standard reason phrase of a status code from 200 to 599 ("Forbidden" for 403), or empty
// for a code without one. cpp-httplib writes the status line itself from its own table; the
// replica answers only codes that both tables know, so the line on the wire is the standard one.
std::string_view reasonPhrase(int code);

// Sets the status and a small HTML error page in the style of the front server the portal runs
// behind ("<h1>403 Forbidden</h1>").
void setErrorPage(httplib::Response& res, int code);

}  // namespace HttpStatus
