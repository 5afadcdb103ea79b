#pragma once

#include "fetch/ConnectionWatch.h"
#include "fetch/HttpSession.h"
#include "fetch/PortalRefusals.h"
#include "fetch/ProxyHealth.h"
#include "fetch/ProxySettings.h"
#include "fetch/RequestPacer.h"
#include "fetch/WorkerLists.h"
#include "platform/NamedMutex.h"
#include "platform/TickClock.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// Appends one finished log line to the run's log, on the window thread; the
// caller blocks until it has been appended.
using LogLineSink = std::function<void(const QString& line)>;

// What one run shares between its controller and its fetch workers. Held by
// shared_ptr: every worker keeps it alive until its thread has ended, so the
// lists, the lock and the request mutex outlive any worker still blocked in a
// request after a stop.
struct FetchRun {
    // The machine-wide name of the request mutex.
    static constexpr const char* kRequestMutexName = "Global\\QuorvaneMutex";

    explicit FetchRun(const QString& requestMutexName = QString::fromLatin1(kRequestMutexName),
                      const TickClock& clock = TickClock::system())
        : requestMutex(requestMutexName), pacer(requestMutex, clock) {}

    NamedMutex requestMutex;
    RequestPacer pacer;
    std::atomic<int> runningDownloads{0};
    WorkerLists lists;
    ConnectionWatch connections;  // every request of the run reports here
    PortalRefusals refusals;      // every answer's status too
    ProxyHealth proxyHealth;      // which of `proxies` are still in the rotation

    // Read-only while workers run.
    QStringList proxies;
    QStringList userAgents;
    QString programDir;    // with a trailing separator
    QString tesseractExe;  // the OCR engine
    LogLineSink log;       // target of the workers' log lines
    QString portalBase;    // redirects lead only to its host; empty: the requested one
    long pageTimeLimitMs = kPageTimeLimitMs;  // of each request, in total
    long downloadTimeLimitMs = kDownloadTimeLimitMs;

    bool ending() const { return refusals.endingStatus() != 0 || proxyHealth.allDropped(proxies); }

    // Why the run cannot go on: the portal refuses every request, or no proxy
    // is left. Empty while it can. Workers stop retrying once it is set.
    QString endReason() const {
        if (const int status = refusals.endingStatus()) return PortalRefusals::reason(status);
        if (proxyHealth.allDropped(proxies)) {
            QStringList names;
            for (const QString& entry : proxyHealth.dropped())
                names << ProxyDisplayName(entry);
            return NoProxyLeftText(names);
        }
        return {};
    }
};
