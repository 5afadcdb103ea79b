#include "app/notify/DesktopNotifier.h"

// Windows has no freedesktop notification service; a watch's new contracts
// are in its report and the run history, and its output says so.
DesktopNotifier::Result DesktopNotifier::notify(const WatchNotice&, int) {
    Result result;
    result.problem = QStringLiteral(
        "уведомления на рабочем столе Windows эта версия не показывает; новые контракты — в "
        "отчёте и в списке запусков");
    return result;
}

void DesktopNotifier::actionInvoked(uint, const QString&) {}

void DesktopNotifier::notificationClosed(uint, uint) {}
