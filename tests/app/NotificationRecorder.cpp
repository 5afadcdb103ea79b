// A stand-in for the desktop's notification service on a private session bus: it takes the name
// org.freedesktop.Notifications, writes every Notify call to a file, one line each (summary, body
// with "\n" for its line breaks, actions, tab-separated), answers it, and at once reports the
// notification closed, so a caller waiting for an action goes on; with CF_RECORDER_CHOOSE set,
// the user is taken to have chosen the action "default" first. It starts the program given
// after the file as its child and ends with the child's exit code:
//   dbus-run-session -- notification_recorder RECORD PROGRAM [ARGUMENTS...]
// Started under the name "xdg-open" (a link in a folder put first in PATH), it stands for the
// desktop's opener instead: it appends its arguments to the file $CF_OPENED_RECORD.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class Recorder : public QDBusVirtualObject {
public:
    explicit Recorder(QString record) : m_record(std::move(record)) {}

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.freedesktop.Notifications\">"
            "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/><arg type=\"u\" "
            "direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" "
            "direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"as\" "
            "direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"i\" "
            "direction=\"in\"/><arg type=\"u\" direction=\"out\"/></method>"
            "<signal name=\"NotificationClosed\"><arg type=\"u\"/><arg type=\"u\"/></signal>"
            "<signal name=\"ActionInvoked\"><arg type=\"u\"/><arg type=\"s\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kInterface || message.member() != QLatin1String("Notify"))
            return false;
        const QVariantList args = message.arguments();
        if (args.size() != 8) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("8")));
            return true;
        }
        QFile file(m_record);
        if (file.open(QIODevice::Append)) {
            QTextStream(&file) << args[3].toString() << '\t'
                               << args[4].toString().replace(u'\n', QStringLiteral("\\n")) << '\t'
                               << args[5].toStringList().join(u',') << '\n';
        }
        const uint id = ++m_lastId;
        connection.send(message.createReply(QVariant::fromValue(id)));
        if (qEnvironmentVariableIsSet("CF_RECORDER_CHOOSE")) {
            QDBusMessage chosen =
                QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
            chosen << id << QStringLiteral("default");
            connection.send(chosen);
        }
        QDBusMessage closed =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("NotificationClosed"));
        closed << id << uint(2);
        connection.send(closed);
        return true;
    }

private:
    QString m_record;
    uint m_lastId = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (QFileInfo(arguments[0]).fileName() == QLatin1String("xdg-open")) {
        QFile opened(qEnvironmentVariable("CF_OPENED_RECORD"));
        if (!opened.open(QIODevice::Append)) return 1;
        opened.write((arguments.mid(1).join(u'\t') + u'\n').toUtf8());
        return 0;
    }
    if (arguments.size() < 3) {
        QTextStream(stderr) << "usage: notification_recorder RECORD PROGRAM [ARGUMENTS...]\n";
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    Recorder recorder(arguments[1]);
    if (!bus.registerVirtualObject(kPath, &recorder) || !bus.registerService(kInterface)) {
        QTextStream(stderr) << "notification_recorder: no session bus to register on\n";
        return 2;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&child, &QProcess::finished, &app, [&](int code, QProcess::ExitStatus status) {
        QCoreApplication::exit(status == QProcess::NormalExit ? code : 255);
    });
    child.start(arguments[2], arguments.mid(3));
    if (!child.waitForStarted()) return 2;
    return QCoreApplication::exec();
}
