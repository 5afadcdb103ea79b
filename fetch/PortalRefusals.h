#pragma once

#include <QString>

#include <atomic>

// Watches a run's answers for a portal that refuses everything: 403 (access
// denied, often to the user's address) or 429 (too many requests). Retrying
// such a portal only makes it worse, so a long enough run of the same refusal
// across all jobs ends the run. Shared by all workers of a run (lock-free).
class PortalRefusals {
public:
    // Answers in a row with the same refusal status, across jobs and workers, that end the run.
    static constexpr int kRefusalsToEnd = 10;

    // Notes one HTTP answer's status (0 for a request that got none, which
    // neither extends nor breaks a run of refusals).
    void note(int statusCode);

    // 403 or 429 once a run of kRefusalsToEnd such answers was seen (the
    // first one stays); 0 before.
    int endingStatus() const { return m_ending.load(); }

    // The reason a run ended by `status` gives, with what the user can do.
    static QString reason(int status);

private:
    std::atomic<int> m_status{0};
    std::atomic<int> m_streak{0};
    std::atomic<int> m_ending{0};
};
