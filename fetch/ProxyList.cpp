#include "fetch/ProxyList.h"

#include "fetch/ProxySettings.h"

ProxyListCheck CheckProxyList(const QStringList& lines) {
    ProxyListCheck check;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ProxySettings settings;
        ConfigureProxy(settings, lines[i]);
        if (!settings.server.isEmpty()) {
            check.usable << lines[i];
            continue;
        }
        check.warnings << QStringLiteral(
                              "Строка %1 файла proxy.txt: \"%2\" — не задаёт прокси-сервер "
                              "(нужно host:port, user:password@host:port или "
                              "host:port;user;password), строка пропущена")
                              .arg(i + 1)
                              .arg(lines[i]);
    }
    return check;
}
