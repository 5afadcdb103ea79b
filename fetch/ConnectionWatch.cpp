#include "fetch/ConnectionWatch.h"

bool ConnectionWatch::note(bool answered) {
    if (answered) {
        m_streak.store(0);
        m_answers.fetch_add(1);
        return false;
    }
    if (m_streak.fetch_add(1) + 1 < kWarnAfter) return false;
    return !m_warned.exchange(true);
}
