#pragma once

#include <QString>
#include <QStringList>

// Proxy settings of one HTTP session and the parser of a "proxy.txt" entry.
// Pure functions, callable from any thread.

// An empty server means a direct connection; port 0 means none was given.
struct ProxySettings {
    QString server;
    int port = 0;
    QString user;
    QString password;
};

// Applies one proxy entry to the settings. Two forms are understood:
//  A (contains "@" after trimming): [scheme//]user[:password]@host[:port]
//  B (no "@"): fields split by SplitProxyFields: "host:port", user, password.
// A third form, "[scheme//]host:port" alone, names a proxy without credentials
// and clears the user name and password. An empty entry clears everything;
// any other form B entry with fewer than three fields changes nothing; an
// empty user name keeps the previous user name and password.
void ConfigureProxy(ProxySettings& settings, const QString& entry);

// Splits a form B entry into fields: ";" and characters of codes 1 to 32
// separate fields, a field in double quotes may hold both (a doubled quote
// stands for one), and a ";" ending the entry adds an empty last field.
QStringList SplitProxyFields(const QString& entry);

// How log lines name the proxy of an entry: "host:port" (the host alone when
// no port is given), never its credentials; empty for an entry naming none.
QString ProxyDisplayName(const QString& entry);
