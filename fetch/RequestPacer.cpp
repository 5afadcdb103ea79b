#include "fetch/RequestPacer.h"

#include <algorithm>

RequestPacer::DirectTurn::~DirectTurn() {
    if (!m_pacer) return;
    m_pacer->markRequestEnd();
    m_pacer->m_mutex.unlock();
}

std::uint32_t RequestPacer::retryDelayMs(int failedAttempts) {
    std::uint32_t delay = kRetryDelayFirstMs;
    for (int i = 1; i < failedAttempts && delay < kRetryDelayMaxMs; ++i)
        delay *= 2;
    return std::min(delay, kRetryDelayMaxMs);
}

std::optional<RequestPacer::DirectTurn> RequestPacer::beginDirect(
    std::uint32_t intervalMs, const std::atomic<bool>& stop,
    const std::function<void()>& otherCopy) {
    const NamedMutex::LongWaitNotice notice{std::chrono::milliseconds(m_otherCopyNoticeMs.load()),
                                            [this, &otherCopy] {
                                                if (otherCopy && !m_otherCopyNoticed.exchange(true))
                                                    otherCopy();
                                            }};
    if (!m_mutex.lock(&stop, &notice)) return std::nullopt;
    DirectTurn turn(*this);
    waitUntilSinceLastEnd(intervalMs, stop);
    return turn;
}

void RequestPacer::pauseAfterTooManyRequests(const std::atomic<bool>& stop) {
    waitUntilSinceLastEnd(kTooManyRequestsPauseMs, stop);
}

// Re-reads the last request end on every step, so requests of other workers
// that end meanwhile push the wait further out. Steps never overshoot the end.
void RequestPacer::waitUntilSinceLastEnd(std::uint32_t ms, const std::atomic<bool>& stop) {
    for (;;) {
        if (stop.load()) return;
        const std::uint32_t passed = m_clock.elapsedSince(m_lastRequestEnd.load());
        if (passed >= ms) return;
        m_clock.sleepMs(std::min(kSleepStepMs, ms - passed));
    }
}

void RequestPacer::sleep(std::uint32_t ms, const std::atomic<bool>& stop) {
    const std::uint32_t start = m_clock.ticks();
    for (;;) {
        if (stop.load()) return;
        const std::uint32_t passed = m_clock.elapsedSince(start);
        if (passed >= ms) return;
        m_clock.sleepMs(std::min(kSleepStepMs, ms - passed));
    }
}
