#pragma once

#include <QString>
#include <QStringList>

// The lines of "proxy.txt" as a run with proxies takes them: the lines that
// name a proxy server, and a Russian log line for every other one. A line
// that names none would send its requests out directly from the user's own
// address, so a run with proxies never uses it. Pure function.
struct ProxyListCheck {
    QStringList usable;    // the lines that name a server, in file order
    QStringList warnings;  // «Строка N файла proxy.txt: "…" — …», numbered from 1
};

ProxyListCheck CheckProxyList(const QStringList& lines);
