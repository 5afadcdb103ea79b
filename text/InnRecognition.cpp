#include "text/InnRecognition.h"

#include "text/TPcrePattern.h"

#include <QStringView>
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

constexpr TPcrePattern::Limits kLimits{10000, 100};

struct InnPatterns {
    TPcrePattern labelled{kLabelled, kLimits};
    TPcrePattern freeStanding{kFreeStanding, kLimits};
};

const InnPatterns& innPatterns() {
    static const InnPatterns patterns;  // compiled once, on first use, thread-safely
    return patterns;
}

}  // namespace

QStringList FindInns(const QString& text) {
    const InnPatterns& patterns = innPatterns();
    QStringList inns = patterns.labelled.allMatches(text, 1);
    if (inns.isEmpty()) inns = patterns.freeStanding.allMatches(text, 1);
    return inns;
}
