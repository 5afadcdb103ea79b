#pragma once

#include "store/RunHistory.h"

#include <QDate>
#include <QString>
#include <optional>

// The days a watch searches: from the end of the last successful watch, less an overlap (the
// portal publishes a contract days after its conclusion), to today; the last 30 days on the
// first watch. A watch that failed, was stopped or ended incomplete leaves the window where it
// was, as only a done watch is looked back to.
struct WatchDates {
    static constexpr int kFirstWatchDays = 30;

    QDate from;
    QDate to;
    QString logLine;  // Russian: the window and where it comes from
};

WatchDates WatchDatesFor(const std::optional<RunRecord>& lastSuccessful, int overlapDays,
                         const QDate& today);
