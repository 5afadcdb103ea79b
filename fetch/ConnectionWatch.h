#pragma once

#include <atomic>

// Watches a run's requests for a portal that never answers: a name that does
// not resolve, a refused connection, a failed TLS handshake, a time-out.
// Shared by all workers of a run (lock-free); every request reports to it.
class ConnectionWatch {
public:
    // Connection failures in a row, with no answer in between, before the run warns. Fewer
    // than the attempts of the three start searches, so that a portal that never answers is
    // named before the run gives them up.
    static constexpr int kWarnAfter = 10;

    // Notes one request: answered when any HTTP response came back (whatever
    // its status), else a failure with no answer. True exactly once per run,
    // for the failure that completes the first such streak.
    bool note(bool answered);

    // True once the run's first kWarnAfter requests all failed without any answer.
    bool failedFromStart() const { return m_answers.load() == 0 && m_streak.load() >= kWarnAfter; }

    // Requests of the run that got an HTTP response.
    int answers() const { return m_answers.load(); }

private:
    std::atomic<int> m_streak{0};
    std::atomic<int> m_answers{0};
    std::atomic<bool> m_warned{false};
};
