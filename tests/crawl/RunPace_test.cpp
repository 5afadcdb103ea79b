#include "crawl/RunPace.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RunPace, ThePhaseIsThatOfMostRecentJobs) {
    RunPace pace;
    EXPECT_TRUE(pace.text().isEmpty());
    for (int i = 0; i < 5; ++i)
        pace.note(1000 + i, RunPace::Phase::Searches, i + 1, 50);
    EXPECT_EQ(pace.text(), u"поиск"_q);
    for (int i = 0; i < 15; ++i)
        pace.note(2000 + i, RunPace::Phase::Cards, i + 6, 50);
    EXPECT_EQ(pace.text(), u"карточки"_q);
}

TEST(RunPace, TheTimeLeftComesOnceThePaceIsKnownAndTheTotalStopsOutgrowingIt) {
    RunPace pace;
    // Cards at two a second for 20 s: too soon for an estimate.
    int position = 0;
    std::uint32_t now = 0;
    const auto run = [&](int seconds, int maximum) {
        for (int s = 0; s < seconds; ++s) {
            now += 1000;
            position += 2;
            pace.note(now, RunPace::Phase::Cards, position, maximum);
        }
    };
    run(20, 1000);
    EXPECT_LT(pace.secondsLeft(), 0);
    EXPECT_EQ(pace.text(), u"карточки"_q);
    // 40 s in: 920 left at two a second.
    run(20, 1000);
    EXPECT_EQ(pace.secondsLeft(), 460);
    EXPECT_EQ(pace.text(), u"карточки; осталось около 8 мин"_q);

    // A total that grows as fast as jobs end gives no estimate.
    RunPace growing;
    for (int s = 1; s <= 60; ++s)
        growing.note(s * 1000u, RunPace::Phase::Cards, s * 2, 100 + s * 2);
    EXPECT_LT(growing.secondsLeft(), 0);
}
