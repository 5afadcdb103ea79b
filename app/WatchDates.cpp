#include "app/WatchDates.h"

namespace {

QString day(const QDate& date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

}  // namespace

WatchDates WatchDatesFor(const std::optional<RunRecord>& lastSuccessful, int overlapDays,
                         const QDate& today) {
    WatchDates dates;
    dates.to = today;
    if (!lastSuccessful || !lastSuccessful->to.isValid()) {
        dates.from = today.addDays(-WatchDates::kFirstWatchDays);
        dates.logLine = QStringLiteral(
                            "Проверка новых контрактов: с %1 по %2 (первая проверка: "
                            "последние %3 дней)")
                            .arg(day(dates.from), day(dates.to))
                            .arg(WatchDates::kFirstWatchDays);
        return dates;
    }
    // A clock set back never makes the window end before it begins.
    dates.from = std::min(lastSuccessful->to.addDays(-overlapDays), today);
    dates.logLine = QStringLiteral(
                        "Проверка новых контрактов: с %1 по %2 (последняя успешная "
                        "проверка %3 — по %4, перекрытие %5 дн., settings.ini [Watch] "
                        "OverlapDays)")
                        .arg(day(dates.from), day(dates.to),
                             lastSuccessful->ended.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                             day(lastSuccessful->to))
                        .arg(overlapDays);
    return dates;
}
