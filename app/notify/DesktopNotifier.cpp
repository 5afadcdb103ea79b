#include "app/notify/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

DesktopNotifier::Result DesktopNotifier::notify(const WatchNotice& notice, int waitMs) {
    Result result;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        result.problem = QStringLiteral("нет сеанса D-Bus (рабочий стол не запущен)");
        return result;
    }
    const bool withAction = !notice.openPath.isEmpty();
    if (withAction) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions =
        withAction ? QStringList{QStringLiteral("default"), QStringLiteral("Открыть отчёт")}
                   : QStringList{};
    call << QStringLiteral("contract-finder") << uint(0) << QStringLiteral("x-office-spreadsheet")
         << notice.summary << notice.body << actions << QVariantMap() << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 25000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        result.problem =
            QStringLiteral("служба уведомлений не ответила (%1)")
                .arg(reply.errorName().isEmpty() ? reply.errorMessage() : reply.errorName());
        return result;
    }
    result.shown = true;
    m_id = reply.arguments().first().toUInt();
    if (!withAction || waitMs <= 0) return result;
    // The service may have answered the signals already: they are queued for this loop.
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(waitMs);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
        if (m_chosen || m_closed) loop.quit();
    });
    poll.start(50);
    loop.exec();
    if (m_chosen) {
        // Detached: the spreadsheet outlives this short process.
        result.opened = QProcess::startDetached(QStringLiteral("xdg-open"), {notice.openPath});
    }
    return result;
}

void DesktopNotifier::actionInvoked(uint id, const QString& action) {
    if (id == m_id && action == QLatin1String("default")) m_chosen = true;
}

void DesktopNotifier::notificationClosed(uint id, uint) {
    if (id == m_id) m_closed = true;
}
