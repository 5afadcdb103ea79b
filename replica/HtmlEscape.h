#pragma once

#include <string>

// Text for HTML with the portal's escapes: "&", "<" and ">" as named references, double quotes
// as "&#034;". Every page of the replica, result lists and cards alike, escapes with it.
std::string EscapeHtml(const std::string& text);
