#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real HTTP proxy for tests: Debian's tinyproxy on 127.0.0.1, requiring basic
// authentication, run in the foreground as a child process of the test.
// The configuration, pid and log files live in a temporary folder of its own.
// The destructor kills the proxy and removes the folder.
class ProxyServer {
public:
    // Starts the proxy and returns once it accepts connections; throws
    // std::runtime_error when it cannot be started.
    ProxyServer(const QString& user, const QString& password);
    ~ProxyServer();
    ProxyServer(const ProxyServer&) = delete;
    ProxyServer& operator=(const ProxyServer&) = delete;

    int port() const { return port_; }
    QString log() const;  // tinyproxy's log file, for failure messages

    static bool available();  // whether the tinyproxy program is installed

private:
    void writeConfig(const QString& user, const QString& password) const;
    void waitUntilAccepting();

    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
};
