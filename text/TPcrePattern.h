#pragma once

#include <QString>
#include <QStringView>
#include <memory>

struct pcre2_real_code_16;

// A compiled PCRE2 regular expression over UTF-16 code units, default options
// (no UTF mode, so "\d" means the ASCII digits and any text can be matched).
// Owns its compiled code; not copyable, movable. Matching is const and may run
// on several threads at once: every match gets its own match data.
class TPcrePattern {
public:
    // Throws EGeneralError with PCRE2's explanation when the pattern is invalid.
    explicit TPcrePattern(QStringView pattern);
    ~TPcrePattern();
    TPcrePattern(TPcrePattern&&) noexcept;
    TPcrePattern& operator=(TPcrePattern&&) noexcept;
    TPcrePattern(const TPcrePattern&) = delete;
    TPcrePattern& operator=(const TPcrePattern&) = delete;

    // The leftmost match in text; empty when there is none or matching failed
    // (for instance on PCRE2's match limit).
    QString firstMatch(QStringView text) const;

private:
    struct CodeFree {
        void operator()(pcre2_real_code_16* code) const noexcept;
    };
    std::unique_ptr<pcre2_real_code_16, CodeFree> m_code;
};
