#pragma once

#include "app/WatchNotice.h"

#include <QObject>
#include <QString>

// A notification through the freedesktop notification service on the session bus
// (org.freedesktop.Notifications, method Notify), with the action "default" («Открыть отчёт»)
// when the notice names a file. The console's watch only: the core never links D-Bus.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    struct Result {
        bool shown = false;
        QString problem;      // Russian, when not shown: no session bus, no service, an error
        bool opened = false;  // the user chose «Открыть отчёт»
    };

    // Sends the notice; with an open action, waits at most waitMs for the user to choose it or
    // for the notification to be closed, and then opens the path on the desktop.
    Result notify(const WatchNotice& notice, int waitMs);

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    uint m_id = 0;
    bool m_chosen = false;
    bool m_closed = false;
};
