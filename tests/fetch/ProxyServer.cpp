#include "tests/fetch/ProxyServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

const QString ProgramPath = QStringLiteral("/usr/bin/tinyproxy");

// Closes a socket descriptor on every path out.
struct Socket {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port that was free a moment ago; the proxy takes it right after.
int FreePort() {
    Socket socket;
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (socket.fd < 0 || ::bind(socket.fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no free port for the proxy");
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    Socket socket;
    const sockaddr_in address = Loopback(port);
    return socket.fd >= 0 &&
           ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

bool ProxyServer::available() {
    return QFileInfo(ProgramPath).isExecutable();
}

ProxyServer::ProxyServer(const QString& user, const QString& password) : port_(FreePort()) {
    if (!folder_.isValid()) throw std::runtime_error("no temporary folder for the proxy");
    writeConfig(user, password);
    process_.setProgram(ProgramPath);
    process_.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), folder_.filePath("conf")});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start();
    if (!process_.waitForStarted(5000)) throw std::runtime_error("tinyproxy did not start");
    waitUntilAccepting();
}

ProxyServer::~ProxyServer() {
    process_.kill();
    process_.waitForFinished(5000);
}

QString ProxyServer::log() const {
    QFile file(folder_.filePath("log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// No ConnectPort line: tunnels to any port are allowed, the replica's included.
void ProxyServer::writeConfig(const QString& user, const QString& password) const {
    QFile file(folder_.filePath("conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the proxy configuration");
    const QString config =
        QStringLiteral(
            "Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 50\n"
            "Allow 127.0.0.1\nBasicAuth %2 %3\nPidFile \"%4\"\n"
            "LogFile \"%5\"\nLogLevel Info\n")
            .arg(port_)
            .arg(user, password, folder_.filePath("pid"), folder_.filePath("log"));
    file.write(config.toUtf8());
}

void ProxyServer::waitUntilAccepting() {
    const QDeadlineTimer deadline(5000);
    while (!Accepts(port_)) {
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            throw std::runtime_error("tinyproxy does not accept connections: " +
                                     process_.readAll().toStdString());
        QThread::msleep(20);
    }
}
