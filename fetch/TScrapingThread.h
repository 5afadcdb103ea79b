#pragma once

#include "fetch/FetchRun.h"
#include "text/DocumentInns.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class HttpSession;
struct HttpResponse;

// A fetch worker: carries out exactly one job on a thread of its own. It
// fetches one page or downloads one document, retrying a failed attempt after
// a growing pause up to kMaxFailedAttempts attempts in all, then moves itself
// from the run's running list to its finished list.
//
// The controller sets the input fields, adds the worker to the running list
// and calls Start(); it reads the result fields only after taking the worker
// off the finished list, and then destroys it. A worker never throws: every
// failure becomes result -1 and a status beginning "ERROR_".
class TScrapingThread {
public:
    // Failed attempts after which a job is given up: its page stays unread in
    // this run (nothing of it is stored, so the next run asks for it again).
    static constexpr int kMaxFailedAttempts = 5;

    explicit TScrapingThread(std::shared_ptr<FetchRun> run);
    ~TScrapingThread();  // waits for the thread

    TScrapingThread(const TScrapingThread&) = delete;
    TScrapingThread& operator=(const TScrapingThread&) = delete;

    // Input, set before Start().
    QString url;  // the job string; after the split, the address fetched
    bool UseProxy = false;
    QString proxy;                      // the current proxy entry
    std::uint32_t RequestInterval = 0;  // ms between direct requests

    // Output, read after the worker reached the finished list.
    QString canonical;
    int result = 0;
    QString html;
    QString statusText;
    // A converted download: where its INNs came from.
    DocumentInnsResult::Source documentSource = DocumentInnsResult::None;

    // Settings of the session, for tests: the defaults are the program's.
    long connectTimeoutMs = kConnectTimeoutMs;
    long readTimeoutMs = 120000;

    void Start();
    void Terminate() { m_terminated.store(true); }
    bool Terminated() const { return m_terminated.load(); }
    void WaitFor();

    // The thread body; public so that tests can run a job on their own thread.
    void Execute();

private:
    enum class AttemptEnd { Retry, Done, Stopped };

    AttemptEnd attempt(HttpSession& session, int& failures);
    bool request(HttpSession& session, HttpResponse& response);
    void noteAnswer(const HttpResponse& response);
    void processResponse(const HttpResponse& response);
    AttemptEnd handleFailure(HttpSession& session, const QString& message,
                             const HttpResponse& response, int& failures);
    void noteProxyFailure();
    void finish(bool download);
    void AddWorkerLogLine(const QString& text);

    std::shared_ptr<FetchRun> m_run;
    std::atomic<bool> m_terminated{false};
    std::thread m_thread;
    bool m_proxyTimedOut = false;  // the last proxied request ran out of time unanswered
};
