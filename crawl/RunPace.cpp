#include "crawl/RunPace.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The phase is the one most of the last jobs had: searches, cards and their
// follow-ups interleave, and one job should not flip it.
constexpr std::size_t kPhaseJobs = 20;
constexpr std::uint32_t kSampleEveryMs = 1000;
constexpr std::uint32_t kPaceWindowMs = 120000;
// An estimate needs this much history; before, the pace is not yet known.
constexpr std::uint32_t kStableAfterMs = 30000;

}  // namespace

void RunPace::note(std::uint32_t nowMs, Phase phase, int position, int maximum) {
    m_recentPhases.push_back(phase);
    if (m_recentPhases.size() > kPhaseJobs) m_recentPhases.pop_front();
    if (!m_samples.empty() && nowMs - m_samples.back().atMs < kSampleEveryMs) {
        m_samples.back().position = position;
        m_samples.back().maximum = maximum;
        return;
    }
    m_samples.push_back({nowMs, position, maximum});
    while (m_samples.size() > 2 && nowMs - m_samples[1].atMs >= kPaceWindowMs)
        m_samples.pop_front();
}

int RunPace::secondsLeft() const {
    if (m_samples.size() < 2) return -1;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    const std::uint32_t spanMs = last.atMs - first.atMs;
    if (spanMs < kStableAfterMs) return -1;
    // The work done less the work that came in meanwhile: while the total
    // grows as fast as jobs end (searches splitting), there is no estimate.
    const double net = (last.position - first.position) - (last.maximum - first.maximum);
    const int remaining = last.maximum - last.position;
    if (net <= 0 || remaining <= 0) return -1;
    return static_cast<int>(std::ceil(remaining * (spanMs / 1000.0) / net));
}

QString RunPace::text() const {
    if (m_recentPhases.empty()) return {};
    std::array<int, 3> counts{};
    for (Phase phase : m_recentPhases)
        ++counts[static_cast<std::size_t>(phase)];
    const auto most = std::max_element(counts.begin(), counts.end()) - counts.begin();
    static const char16_t* const kNames[] = {u"поиск", u"карточки", u"протоколы и документы"};
    QString text = QString::fromUtf16(kNames[most]);
    const int seconds = secondsLeft();
    // Searches still change the total too much for an estimate to mean anything.
    if (seconds < 0 || most == static_cast<long>(Phase::Searches)) return text;
    const int minutes = (seconds + 59) / 60;
    if (minutes <= 1) return text + QStringLiteral("; осталось меньше минуты");
    if (minutes < 60) return text + QStringLiteral("; осталось около %1 мин").arg(minutes);
    return text +
           QStringLiteral("; осталось около %1 ч %2 мин").arg(minutes / 60).arg(minutes % 60);
}
