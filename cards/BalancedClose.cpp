#include "cards/BalancedClose.h"

#include <vector>

namespace {

// Counts the occurrences of a needle that lie wholly before a growing end,
// going on from where the last count stopped; the next occurrence found is
// kept, so no part of the text is searched twice.
class TRunningCount {
public:
    TRunningCount(QStringView text, QStringView needle, qsizetype from)
        : m_text(text), m_needle(needle), m_pending(text.indexOf(needle, from)) {}

    qsizetype upTo(qsizetype end) {
        while (m_pending >= 0 && m_pending + m_needle.size() <= end) {
            ++m_count;
            m_pending = m_text.indexOf(m_needle, m_pending + 1);
        }
        return m_count;
    }

private:
    QStringView m_text;
    QStringView m_needle;
    qsizetype m_pending;
    qsizetype m_count = 0;
};

}  // namespace

// Counts are carried on from one candidate close to the next, so an element
// without its close costs one pass over the rest of the text, not one per close.
qsizetype FindBalancedClose(QStringView text, QStringView openTag, QStringView closeTag,
                            qsizetype from) {
    if (from < 1 || openTag.isEmpty() || closeTag.isEmpty()) return 0;
    const qsizetype start = from - 1;
    TRunningCount opens(text, openTag, start);
    TRunningCount closes(text, closeTag, start);
    for (qsizetype at = text.indexOf(closeTag, start); at >= 0;
         at = text.indexOf(closeTag, at + 1)) {
        const qsizetype end = at + closeTag.size();
        if (opens.upTo(end) == closes.upTo(end)) return at + 1;
    }
    return 0;
}

// A stack of open tags: a close pairs with the latest open not yet paired,
// which is where the counts from that open first come out equal.
TBalancedCloses::TBalancedCloses(QStringView text, QStringView openTag, QStringView closeTag) {
    if (openTag.isEmpty() || closeTag.isEmpty()) return;
    std::vector<qsizetype> open;
    qsizetype nextOpen = text.indexOf(openTag);
    qsizetype nextClose = text.indexOf(closeTag);
    while (nextClose >= 0) {
        if (nextOpen >= 0 && nextOpen + openTag.size() <= nextClose + closeTag.size()) {
            open.push_back(nextOpen);
            nextOpen = text.indexOf(openTag, nextOpen + 1);
            continue;
        }
        if (!open.empty()) {
            m_closes.emplace(open.back(), nextClose);
            open.pop_back();
        }
        nextClose = text.indexOf(closeTag, nextClose + 1);
    }
}

qsizetype TBalancedCloses::closeOf(qsizetype open) const {
    const auto found = m_closes.find(open);
    return found == m_closes.end() ? -1 : found->second;
}
