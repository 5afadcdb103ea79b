#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Tells a working split from a filter the portal ignores. Every part of a
// split is a narrower search; when every part reports the very total of the
// search it came from, the portal did not apply the filter, and splitting the
// parts again would go on down to one-rouble ranges. A part reporting that
// total is therefore held back until its siblings have spoken: when one of
// them reports anything else the filter works and the held parts are split
// after all; when all agree, the search they came from is walked page by page
// instead. Controller thread only, one per run.
class SplitTracker {
public:
    // A search split into parts (the parts actually queued).
    void recordSplit(const QString& search, qint64 total, const QStringList& parts);

    struct HeldPart {
        QString url;
        qint64 total = 0;
    };
    struct Verdict {
        bool hold = false;  // this part waits for its siblings: neither split nor walked
        std::vector<HeldPart> release;  // held siblings to split now after all
        std::optional<QString> walk;    // the search to walk page by page instead
    };

    // The first page of a search read with its total (none: the page showed no
    // count, or was not fetched). Only the first report of a part counts.
    Verdict report(const QString& url, std::optional<qint64> total);

    // True for a search that is walked because its filter is ignored: it is not split again.
    bool isWalked(const QString& url) const { return m_walked.contains(url); }

    // True once, for the first search found with an ignored filter in the run.
    bool firstIgnoredFilter() { return !std::exchange(m_ignoredLogged, true); }

private:
    struct Split {
        QString search;
        qint64 total = 0;
        int waiting = 0;           // parts not yet reported
        bool filterWorks = false;  // some part reported another total
        std::vector<HeldPart> held;
    };

    std::vector<Split> m_splits;
    QHash<QString, qsizetype> m_partOf;  // part url -> index into m_splits, until it reports
    QSet<QString> m_walked;
    bool m_ignoredLogged = false;
};
