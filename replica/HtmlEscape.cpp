#include "replica/HtmlEscape.h"

std::string EscapeHtml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&#034;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}
