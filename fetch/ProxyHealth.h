#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>

// Which proxies of a run still take part in the rotation. A proxy whose
// requests keep timing out (one that accepts connections and never answers
// costs the whole time limit per attempt) leaves the rotation for the rest of
// the run. Shared by the controller and all workers of a run; thread-safe.
class ProxyHealth {
public:
    // Time-outs in a row through one proxy, with no answer through it in between, that take
    // it out of the rotation.
    static constexpr int kTimeoutsToDrop = 3;

    // A failed attempt through `entry`; true exactly once, for the time-out
    // that takes the entry out of the rotation.
    bool noteFailure(const QString& entry, bool timedOut);
    // An answer came back through `entry`: its time-outs start again from 0.
    void noteAnswer(const QString& entry);

    // NextProxy (rotation of the process) skipping the entries that left;
    // false, and `entry` untouched, when every entry of `proxies` has left.
    bool next(const QStringList& proxies, QString& entry) const;
    bool allDropped(const QStringList& proxies) const;
    QStringList dropped() const;

private:
    mutable std::mutex m_mutex;
    std::map<QString, int> m_timeouts;
    QStringList m_dropped;  // in the order they left
};

// The Russian texts of the run about its proxies; `names` are display names.
QString ProxyDroppedText(const QString& name, int timeouts);
QString NoProxyLeftText(const QStringList& names);
