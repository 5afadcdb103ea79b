#pragma once

#include <cstdint>

// Millisecond ticks since system start (wrapping at 2^32, compare them by
// unsigned difference) and sleeping. Pacing and pauses take the clock as a
// parameter, so tests can run them on a clock whose sleep only moves time on.
class TickClock {
public:
    virtual ~TickClock() = default;

    virtual std::uint32_t ticks() const;
    virtual void sleepMs(std::uint32_t ms) const;

    // Milliseconds passed from `since` to now, in wrapping tick arithmetic.
    std::uint32_t elapsedSince(std::uint32_t since) const { return ticks() - since; }

    // The real clock of the system, shared by the whole process.
    static const TickClock& system();
};
