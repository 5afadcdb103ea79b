#include "crawl/LayoutDrift.h"

LayoutDriftWatch::Drift LayoutDriftWatch::note(int kind, bool lacking) {
    KindState& state = m_kinds[kind];
    const std::size_t slot = static_cast<std::size_t>(state.seen % kWindow);
    if (state.seen >= kWindow && state.recent[slot]) --state.lackingInWindow;
    state.recent[slot] = lacking;
    if (lacking) ++state.lackingInWindow;
    state.lackingInRow = lacking ? state.lackingInRow + 1 : 0;
    ++state.seen;

    Drift drift;
    drift.lackingInRow = state.lackingInRow;
    if (state.seen >= kWindow) drift.lackingInWindow = state.lackingInWindow;
    const bool drifted = state.lackingInRow >= kRowLimit || drift.lackingInWindow * 2 > kWindow;
    const bool quiet = state.warnedAt < 0 || state.seen - state.warnedAt >= kRepeatAfter;
    if (lacking && drifted && quiet) {
        drift.due = true;
        state.warnedAt = state.seen;
    }
    return drift;
}

QString LayoutDriftWarning(const QString& kindName, const LayoutDriftWatch::Drift& drift,
                           const QString& exampleUrl) {
    const QString how = drift.lackingInRow >= LayoutDriftWatch::kRowLimit
                            ? QStringLiteral("%1 страниц подряд").arg(drift.lackingInRow)
                            : QStringLiteral("%1 из последних %2 страниц")
                                  .arg(drift.lackingInWindow)
                                  .arg(LayoutDriftWatch::kWindow);
    return QStringLiteral(
               "Внимание: похоже, портал изменил разметку %1 — у %2 нет ожидаемых данных "
               "(строки «Ошибка?»). Программа, вероятно, не сможет прочитать такие страницы. "
               "Сохраните одну из них (например, %3) в файл и посмотрите, что программа в ней "
               "находит: contract-finder-cli inspect --url %3 ФАЙЛ")
        .arg(kindName, how, exampleUrl);
}
