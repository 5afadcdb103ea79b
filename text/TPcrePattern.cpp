#include "cards/TPcrePattern.h"

#include "platform/GeneralError.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace {

struct MatchDataFree {
    void operator()(pcre2_match_data* data) const noexcept { pcre2_match_data_free(data); }
};

PCRE2_SPTR Units(QStringView text) {
    return reinterpret_cast<PCRE2_SPTR>(text.utf16());
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

TPcrePattern::TPcrePattern(QStringView pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    m_code.reset(
        pcre2_compile(Units(pattern), PCRE2_SIZE(pattern.size()), 0, &error, &offset, nullptr));
    if (!m_code) {
        throw EGeneralError(QStringLiteral("Regular expression ") + pattern.toString() +
                            QStringLiteral(" at ") + QString::number(offset) +
                            QStringLiteral(": ") + ErrorText(error));
    }
}

TPcrePattern::~TPcrePattern() = default;
TPcrePattern::TPcrePattern(TPcrePattern&&) noexcept = default;
TPcrePattern& TPcrePattern::operator=(TPcrePattern&&) noexcept = default;

QString TPcrePattern::firstMatch(QStringView text) const {
    if (!m_code) return {};
    const std::unique_ptr<pcre2_match_data, MatchDataFree> data(
        pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    if (!data) return {};
    // An empty view may carry no buffer; PCRE2 wants a valid pointer even for
    // a zero length.
    static const char16_t kEmpty[1] = {0};
    const PCRE2_SPTR units = text.isEmpty() ? reinterpret_cast<PCRE2_SPTR>(kEmpty) : Units(text);
    const int found =
        pcre2_match(m_code.get(), units, PCRE2_SIZE(text.size()), 0, 0, data.get(), nullptr);
    if (found < 1) return {};
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    return text.sliced(qsizetype(ovector[0]), qsizetype(ovector[1] - ovector[0])).toString();
}
