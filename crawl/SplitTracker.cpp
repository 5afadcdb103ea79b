#include "crawl/SplitTracker.h"

#include <utility>

void SplitTracker::recordSplit(const QString& search, qint64 total, const QStringList& parts) {
    if (parts.isEmpty()) return;
    const qsizetype index = static_cast<qsizetype>(m_splits.size());
    m_splits.push_back(Split{search, total, 0, false, {}});
    for (const QString& part : parts) {
        if (m_partOf.contains(part)) continue;
        m_partOf.insert(part, index);
        ++m_splits.back().waiting;
    }
}

SplitTracker::Verdict SplitTracker::report(const QString& url, std::optional<qint64> total) {
    Verdict verdict;
    const auto found = m_partOf.constFind(url);
    if (found == m_partOf.constEnd()) return verdict;  // a start search, or reported already
    Split& split = m_splits[static_cast<std::size_t>(*found)];
    m_partOf.erase(found);
    --split.waiting;
    const bool sameTotal = total && *total == split.total;
    if (!sameTotal) {
        split.filterWorks = true;
        verdict.release = std::exchange(split.held, {});
    } else if (!split.filterWorks) {
        split.held.push_back(HeldPart{url, *total});
        verdict.hold = true;
    }
    if (split.waiting == 0 && !split.filterWorks) {
        // Every part showed the whole: the filter did nothing.
        split.held.clear();
        m_walked.insert(split.search);
        verdict.walk = split.search;
    }
    return verdict;
}
