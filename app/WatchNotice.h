#pragma once

#include "crawl/RunSummary.h"

#include <QString>
#include <optional>

// What a watch tells the desktop: the new contracts it reported, or that the checks keep
// failing. Russian texts; the desktop shows the summary as the heading and the body under it.
struct WatchNotice {
    QString summary;
    QString body;
    QString openPath;  // what «Открыть отчёт» opens: the workbook, or the folder of several
};

// The checks are said to fail once, at the third failed watch in a row; a done watch starts
// the count again.
inline constexpr int kFailedWatchesToNotify = 3;

// Per INN or group the new contracts and their sum; none when the watch reported none.
std::optional<WatchNotice> NewContractsNotice(const RunSummary& summary);

// The checks failed `failures` times in a row, the last for `reason`.
WatchNotice FailingChecksNotice(int failures, const QString& reason, const QString& logFile);

// "1 234 567,89 ₽".
QString RoublesText(double sum);
