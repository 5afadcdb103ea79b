#pragma once

#include <QString>
#include <cstdint>
#include <deque>

// What a run is busy with, and how long it may still take, for the progress
// bar: the bar's "N из M" alone sits near full while the total keeps growing.
// Fed by the controller with each finished job; pure (the caller gives the time).
class RunPace {
public:
    enum class Phase { Searches, Cards, FollowUps };

    // A job of this phase finished at nowMs (a millisecond tick); position and
    // maximum as the bar shows them.
    void note(std::uint32_t nowMs, Phase phase, int position, int maximum);

    // "поиск", "карточки" or "протоколы и документы", and once the pace is
    // stable "; осталось около 12 мин"; empty before the first job.
    QString text() const;

    // The estimate alone, in seconds; negative while there is none.
    int secondsLeft() const;

private:
    struct Sample {
        std::uint32_t atMs;
        int position;
        int maximum;
    };

    std::deque<Phase> m_recentPhases;
    std::deque<Sample> m_samples;  // one a second at most, the last two minutes
};
