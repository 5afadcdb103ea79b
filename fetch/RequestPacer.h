#pragma once

#include "platform/NamedMutex.h"
#include "platform/TickClock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

// The one place that decides when a request may go out. Direct requests of
// all workers, and of every running copy of the program, take turns through
// the named request mutex and are spaced by the run's interval, counted from
// the end of this process's most recent request. Shared by a run's workers;
// every member is thread-safe.
class RequestPacer {
public:
    static constexpr std::uint32_t kTooManyRequestsPauseMs = 30000;
    static constexpr std::uint32_t kSleepStepMs = 100;
    // The pause before the second attempt of a job; each further one doubles it, up to the
    // cap. Spaced attempts give a portal in trouble time to recover and do not look like an
    // attack to it.
    static constexpr std::uint32_t kRetryDelayFirstMs = 1000;
    static constexpr std::uint32_t kRetryDelayMaxMs = 10000;
    // How long a wait for another copy's request turn lasts before the run says why it waits.
    static constexpr std::uint32_t kOtherCopyNoticeMs = 5000;

    // The pause after the given number of failed attempts of one job (1 or more).
    static std::uint32_t retryDelayMs(int failedAttempts);

    RequestPacer(NamedMutex& mutex, const TickClock& clock) : m_mutex(mutex), m_clock(clock) {}

    // Holds the request turn; its end (destruction) marks the end of the
    // request and releases the mutex, whether the request succeeded or not.
    class DirectTurn {
    public:
        explicit DirectTurn(RequestPacer& pacer) : m_pacer(&pacer) {}
        DirectTurn(DirectTurn&& other) noexcept : m_pacer(std::exchange(other.m_pacer, nullptr)) {}
        DirectTurn(const DirectTurn&) = delete;
        DirectTurn& operator=(const DirectTurn&) = delete;
        DirectTurn& operator=(DirectTurn&&) = delete;
        ~DirectTurn();

    private:
        RequestPacer* m_pacer;
    };

    // Waits for the turn, then until `intervalMs` have passed since the last
    // request ended or `stop` is set. Empty when stopped before the turn came.
    // When another copy of the program holds the turn longer than the notice
    // time, `otherCopy` is called: once in the pacer's life, by whichever
    // worker waits first.
    std::optional<DirectTurn> beginDirect(std::uint32_t intervalMs, const std::atomic<bool>& stop,
                                          const std::function<void()>& otherCopy = {});

    // A proxied request does not take turns but still marks its end.
    void markRequestEnd() { m_lastRequestEnd.store(m_clock.ticks()); }

    // After a 429 to a direct request: waits until 30 s after the most recent
    // request end of any worker (later requests extend the pause) or a stop.
    void pauseAfterTooManyRequests(const std::atomic<bool>& stop);

    // Sleeps `ms`, in steps, returning early once `stop` is set.
    void sleep(std::uint32_t ms, const std::atomic<bool>& stop);

    std::uint32_t lastRequestEnd() const { return m_lastRequestEnd.load(); }
    void reset() {
        m_lastRequestEnd.store(0);
        m_otherCopyNoticed.store(false);
    }
    const TickClock& clock() const { return m_clock; }
    // Tests shorten it; real runs keep kOtherCopyNoticeMs.
    void setOtherCopyNoticeMs(std::uint32_t ms) { m_otherCopyNoticeMs.store(ms); }

private:
    void waitUntilSinceLastEnd(std::uint32_t ms, const std::atomic<bool>& stop);

    NamedMutex& m_mutex;
    const TickClock& m_clock;
    std::atomic<std::uint32_t> m_lastRequestEnd{0};
    std::atomic<std::uint32_t> m_otherCopyNoticeMs{kOtherCopyNoticeMs};
    std::atomic<bool> m_otherCopyNoticed{false};
};
