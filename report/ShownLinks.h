#pragma once

#include "platform/TextFile.h"

#include <QString>
#include <QStringList>
#include <set>

// Orders texts without regard to letter case; texts differing only in case
// are equivalent.
struct CaseInsensitiveLess {
    bool operator()(const QString& a, const QString& b) const {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
};

// The contract links already reported, by this run or an earlier one, as
// "shown.txt" carries them from run to run: sorted without regard to letter
// case, each link once (links differing only in case count as one). Used by
// one thread, the controller's, during the report stage.
class ShownLinks {
public:
    ShownLinks() = default;
    // The lines of "shown.txt"; blank lines are no links and are dropped.
    explicit ShownLinks(const QStringList& lines);

    bool contains(const QString& url) const { return m_links.count(url) != 0; }
    void add(const QString& url);
    QStringList lines() const;
    // The links in order, without a copy.
    const std::set<QString, CaseInsensitiveLess>& all() const { return m_links; }
    // The links added since construction or the last markSaved(), in order.
    const QStringList& added() const { return m_added; }
    qsizetype size() const { return static_cast<qsizetype>(m_links.size()); }

    // Whether a link was added since construction or the last markSaved().
    bool changed() const { return !m_added.isEmpty(); }
    void markSaved() { m_added.clear(); }

private:
    std::set<QString, CaseInsensitiveLess> m_links;
    QStringList m_added;
};
