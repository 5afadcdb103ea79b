#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>

struct pcre2_real_code_16;
struct pcre2_real_match_context_16;

// Bounds of every match attempt of a pattern; 0 keeps PCRE2's own.
struct TPcreLimits {
    std::uint32_t match = 0;  // backtracking steps
    std::uint32_t depth = 0;  // backtracking depth
};

// A compiled PCRE2 regular expression over UTF-16 code units, default options
// (no UTF mode, so "\d" means the ASCII digits and any text can be matched,
// a stray surrogate included). Owns its compiled code; not copyable, movable.
// Matching is const and may run on several threads at once: every match gets
// its own match data.
class TPcrePattern {
public:
    using Limits = TPcreLimits;

    // Throws EGeneralError with PCRE2's explanation when the pattern is invalid.
    explicit TPcrePattern(QStringView pattern, Limits limits = {});
    ~TPcrePattern();
    TPcrePattern(TPcrePattern&&) noexcept;
    TPcrePattern& operator=(TPcrePattern&&) noexcept;
    TPcrePattern(const TPcrePattern&) = delete;
    TPcrePattern& operator=(const TPcrePattern&) = delete;

    // The leftmost match in text; empty when there is none or matching failed
    // (for instance on a passed bound).
    QString firstMatch(QStringView text) const;

    // The given group of every match, left to right, each search resuming
    // after the previous match. No match, a passed bound and any other error
    // alike end the search, keeping what was found before.
    QStringList allMatches(QStringView text, int group = 0) const;

private:
    struct CodeFree {
        void operator()(pcre2_real_code_16* code) const noexcept;
    };
    struct ContextFree {
        void operator()(pcre2_real_match_context_16* context) const noexcept;
    };
    std::unique_ptr<pcre2_real_code_16, CodeFree> m_code;
    std::unique_ptr<pcre2_real_match_context_16, ContextFree> m_context;
};
