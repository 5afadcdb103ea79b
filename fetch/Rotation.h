#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>

// Rotation of user agents and proxy entries across all sessions of the process.
// The pickers run on the controller and on worker threads at once without a
// lock: every index access is one relaxed atomic load or store, so concurrent
// callers may get the same entry or skip one, but the index stays valid.

// Presented when "useragents.txt" gives no user agent.
inline constexpr QStringView DefaultUserAgent =
    u"Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:108.0) Gecko/20100101 Firefox/108.0";

// Index of the entry handed out last; 0 at program start, never reset by runs.
extern std::atomic<int> UserAgentIndex;
extern std::atomic<int> ProxyIndex;

// The next user agent in rotation, or DefaultUserAgent for an empty list.
// Entries are used verbatim; an empty entry is an empty User-Agent value.
QString NextUserAgent(const QStringList& userAgents);

// Sets entry to the next proxy entry in rotation; an empty list leaves both the
// entry and ProxyIndex untouched.
void NextProxy(const QStringList& proxies, QString& entry);

// Puts both indexes back to their program-start value 0.
void ResetRotationForTesting();
