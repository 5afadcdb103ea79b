#include "platform/TickClock.h"

#include <time.h>
#include <chrono>
#include <thread>

std::uint32_t TickClock::ticks() const {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(ms);
}

void TickClock::sleepMs(std::uint32_t ms) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const TickClock& TickClock::system() {
    static const TickClock clock;
    return clock;
}
