#include "fetch/RequestPacer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QUuid>
#include <vector>

namespace {

// A clock whose sleep moves time on at once, and which can run a hook at a
// given moment (another worker's request ending, a stop request).
class SteppedClock : public TickClock {
public:
    std::uint32_t ticks() const override { return now; }
    void sleepMs(std::uint32_t ms) const override {
        sleeps.push_back(ms);
        now += ms;
        if (onSleep) onSleep(now);
    }

    mutable std::uint32_t now = 1'000'000;
    mutable std::vector<std::uint32_t> sleeps;
    std::function<void(std::uint32_t)> onSleep;
};

class RequestPacerTest : public ::testing::Test {
protected:
    void TearDown() override { QFile::remove(mutex.filePath()); }

    NamedMutex mutex{QStringLiteral("cf-pacer-") + QUuid::createUuid().toString(QUuid::Id128)};
    SteppedClock clock;
    RequestPacer pacer{mutex, clock};
    std::atomic<bool> stop{false};
};

}  // namespace

TEST_F(RequestPacerTest, FirstRequestOfARunGoesAtOnce) {
    { auto turn = pacer.beginDirect(5000, stop); }
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(pacer.lastRequestEnd(), clock.now);
}

TEST_F(RequestPacerTest, DirectRequestsAreSpacedFromTheLastEnd) {
    { auto turn = pacer.beginDirect(5000, stop); }
    const std::uint32_t firstEnd = clock.now;
    clock.now += 1200;  // the request took a while to be handled
    {
        auto turn = pacer.beginDirect(5000, stop);
        EXPECT_EQ(clock.now - firstEnd, 5000u);  // waited exactly to the interval
    }
    for (std::uint32_t step : clock.sleeps)
        EXPECT_LE(step, RequestPacer::kSleepStepMs);
}

TEST_F(RequestPacerTest, StopEndsThePacingWaitButKeepsTheTurn) {
    { auto turn = pacer.beginDirect(5000, stop); }
    clock.onSleep = [&](std::uint32_t) { stop = true; };
    auto turn = pacer.beginDirect(5000, stop);
    EXPECT_TRUE(turn.has_value());
    EXPECT_EQ(clock.sleeps.size(), 1u);
}

TEST_F(RequestPacerTest, TooManyRequestsPauseIsExtendedByLaterRequests) {
    pacer.markRequestEnd();
    const std::uint32_t start = clock.now;
    bool extended = false;
    clock.onSleep = [&](std::uint32_t now) {
        if (!extended && now - start >= 10000) {
            extended = true;
            pacer.markRequestEnd();  // another worker's request ends meanwhile
        }
    };
    pacer.pauseAfterTooManyRequests(stop);
    EXPECT_EQ(clock.now - start, 40000u);
}

TEST_F(RequestPacerTest, StopEndsTheTooManyRequestsPause) {
    pacer.markRequestEnd();
    const std::uint32_t start = clock.now;
    clock.onSleep = [&](std::uint32_t now) { stop = now - start >= 300; };
    pacer.pauseAfterTooManyRequests(stop);
    EXPECT_EQ(clock.now - start, 300u);
}

TEST_F(RequestPacerTest, TicksWrapAround) {
    clock.now = 0xFFFFFF00u;
    pacer.markRequestEnd();
    { auto turn = pacer.beginDirect(1000, stop); }
    EXPECT_EQ(clock.now, 0xFFFFFF00u + 1000u);  // wrapped past zero
}

// The pauses between the attempts of one job grow and stop growing at their cap.
TEST_F(RequestPacerTest, RetryDelaysGrowUpToTheirCap) {
    std::vector<std::uint32_t> delays;
    for (int failed = 1; failed <= 6; ++failed)
        delays.push_back(RequestPacer::retryDelayMs(failed));
    EXPECT_EQ(delays, (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 10000, 10000}));
}
