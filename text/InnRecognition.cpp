#include "text/InnRecognition.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace {

// The classes are written out rather than left to \d, \s and \b: a digit is
// 0-9 only, a blank includes the no-break space, and a word character
// includes Cyrillic letters (Ё and ё among them). The patterns run in
// non-UTF 16-bit mode, so a stray surrogate in the text is a plain
// non-word character instead of an error.
#define CF_BLANK u"[\\t-\\r \\x{A0}]"
#define CF_WORD u"[A-Za-z0-9_\\x{400}-\\x{481}\\x{48A}-\\x{4FF}]"
#define CF_INN u"([0-9]{12}|[0-9]{10})"

// "ИНН" in Cyrillic capitals, or "HHH" in Latin ones; no boundary around it.
constexpr std::u16string_view kLabelled =
    u"(?:\\x{418}\\x{41D}\\x{41D}|HHH)" CF_BLANK u"*:?" CF_BLANK u"*" CF_INN;
// A whole run of digits: no word character on either side.
constexpr std::u16string_view kFreeStanding = u"(?<!" CF_WORD u")" CF_INN u"(?!" CF_WORD u")";

#undef CF_BLANK
#undef CF_WORD
#undef CF_INN

constexpr std::uint32_t kMatchLimit = 10000;
constexpr std::uint32_t kDepthLimit = 100;

// UTF-16 code units, as QString and u"" literals hold them.
PCRE2_SPTR asPcre2(const void* text) {
    return static_cast<PCRE2_SPTR>(text);
}

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

// A compiled pattern. Matching only reads it, so threads share one.
class Pcre2Pattern {
public:
    // Throws std::logic_error when the pattern does not compile (a fault in this file).
    explicit Pcre2Pattern(std::u16string_view pattern) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        m_code.reset(
            pcre2_compile(asPcre2(pattern.data()), pattern.size(), 0, &error, &offset, nullptr));
        if (!m_code) throw std::logic_error("INN pattern does not compile");
    }
    const pcre2_code* get() const { return m_code.get(); }

private:
    std::unique_ptr<pcre2_code, CodeFree> m_code;
};

// The bounds of every match attempt; read-only once made, so shared as well.
class Pcre2MatchLimits {
public:
    Pcre2MatchLimits() : m_context(pcre2_match_context_create(nullptr)) {
        if (!m_context) throw std::bad_alloc();
        pcre2_set_match_limit(m_context.get(), kMatchLimit);
        pcre2_set_depth_limit(m_context.get(), kDepthLimit);
    }
    pcre2_match_context* get() const { return m_context.get(); }

private:
    std::unique_ptr<pcre2_match_context, MatchContextFree> m_context;
};

// The positions of one match; written by every match call, so one per search.
class Pcre2MatchData {
public:
    explicit Pcre2MatchData(const Pcre2Pattern& pattern)
        : m_data(pcre2_match_data_create_from_pattern(pattern.get(), nullptr)) {
        if (!m_data) throw std::bad_alloc();
    }
    pcre2_match_data* get() const { return m_data.get(); }
    const PCRE2_SIZE* positions() const { return pcre2_get_ovector_pointer(m_data.get()); }

private:
    std::unique_ptr<pcre2_match_data, MatchDataFree> m_data;
};

struct InnPatterns {
    Pcre2Pattern labelled{kLabelled};
    Pcre2Pattern freeStanding{kFreeStanding};
    Pcre2MatchLimits limits;
};

const InnPatterns& innPatterns() {
    static const InnPatterns patterns;  // compiled once, on first use, thread-safely
    return patterns;
}

// Appends group 1 of every match, left to right, each search resuming after
// the previous match. No match, a passed bound and any other error alike end it.
void collectMatches(const Pcre2Pattern& pattern, const Pcre2MatchLimits& limits,
                    const QString& text, QStringList& into) {
    Pcre2MatchData match(pattern);
    const auto subject = asPcre2(text.utf16());
    const auto length = static_cast<PCRE2_SIZE>(text.size());
    PCRE2_SIZE from = 0;
    while (from <= length) {
        const int rc =
            pcre2_match(pattern.get(), subject, length, from, 0, match.get(), limits.get());
        if (rc < 2) return;
        const PCRE2_SIZE* at = match.positions();
        into.append(text.mid(static_cast<qsizetype>(at[2]), static_cast<qsizetype>(at[3] - at[2])));
        from = at[1];  // never equal to the start: a match holds at least ten digits
    }
}

}  // namespace

QStringList FindInns(const QString& text) {
    const InnPatterns& patterns = innPatterns();
    QStringList inns;
    collectMatches(patterns.labelled, patterns.limits, text, inns);
    if (inns.isEmpty()) collectMatches(patterns.freeStanding, patterns.limits, text, inns);
    return inns;
}
