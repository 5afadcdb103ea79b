#include "text/TPcrePattern.h"

#include "platform/GeneralError.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <new>

namespace {

struct MatchDataFree {
    void operator()(pcre2_match_data* data) const noexcept { pcre2_match_data_free(data); }
};
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataFree>;

// UTF-16 code units, as QString holds them. An empty view may carry no
// buffer; PCRE2 wants a valid pointer even for a zero length.
PCRE2_SPTR Units(QStringView text) {
    static const char16_t kEmpty[1] = {0};
    return reinterpret_cast<PCRE2_SPTR>(text.isEmpty() ? kEmpty : text.utf16());
}

QString ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer / sizeof buffer[0]);
    if (length < 0) return QStringLiteral("PCRE2 error %1").arg(code);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), length);
}

}  // namespace

void TPcrePattern::CodeFree::operator()(pcre2_real_code_16* code) const noexcept {
    pcre2_code_free(code);
}

void TPcrePattern::ContextFree::operator()(pcre2_real_match_context_16* context) const noexcept {
    pcre2_match_context_free(context);
}

TPcrePattern::TPcrePattern(QStringView pattern, Limits limits) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    m_code.reset(
        pcre2_compile(Units(pattern), PCRE2_SIZE(pattern.size()), 0, &error, &offset, nullptr));
    if (!m_code) {
        throw EGeneralError(QStringLiteral("Regular expression ") + pattern.toString() +
                            QStringLiteral(" at ") + QString::number(offset) +
                            QStringLiteral(": ") + ErrorText(error));
    }
    if (limits.match == 0 && limits.depth == 0) return;
    m_context.reset(pcre2_match_context_create(nullptr));
    if (!m_context) throw std::bad_alloc();
    if (limits.match != 0) pcre2_set_match_limit(m_context.get(), limits.match);
    if (limits.depth != 0) pcre2_set_depth_limit(m_context.get(), limits.depth);
}

TPcrePattern::~TPcrePattern() = default;
TPcrePattern::TPcrePattern(TPcrePattern&&) noexcept = default;
TPcrePattern& TPcrePattern::operator=(TPcrePattern&&) noexcept = default;

QString TPcrePattern::firstMatch(QStringView text) const {
    if (!m_code) return {};
    const MatchData data(pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    if (!data) return {};
    const int found = pcre2_match(m_code.get(), Units(text), PCRE2_SIZE(text.size()), 0, 0,
                                  data.get(), m_context.get());
    if (found < 1) return {};
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    return text.sliced(qsizetype(ovector[0]), qsizetype(ovector[1] - ovector[0])).toString();
}

QStringList TPcrePattern::allMatches(QStringView text, int group) const {
    QStringList matches;
    if (!m_code || group < 0) return matches;
    const MatchData data(pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    if (!data) return matches;
    const PCRE2_SPTR subject = Units(text);
    const auto length = PCRE2_SIZE(text.size());
    PCRE2_SIZE from = 0;
    while (from <= length) {
        const int rc =
            pcre2_match(m_code.get(), subject, length, from, 0, data.get(), m_context.get());
        if (rc < 1) return matches;  // no match, or an error
        const PCRE2_SIZE* at = pcre2_get_ovector_pointer(data.get());
        const auto g = static_cast<std::size_t>(group);
        if (rc > group && at[2 * g] != PCRE2_UNSET) {
            matches.append(
                text.sliced(qsizetype(at[2 * g]), qsizetype(at[2 * g + 1] - at[2 * g])).toString());
        }
        // An empty match would be found again at the same place.
        from = at[1] > at[0] ? at[1] : at[1] + 1;
    }
    return matches;
}
