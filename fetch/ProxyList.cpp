#include "fetch/ProxyList.h"

#include "fetch/ProxySettings.h"

ProxyListCheck CheckProxyList(const QStringList& lines) {
    ProxyListCheck check;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ProxySettings settings;
        ConfigureProxy(settings, lines[i]);
        // A port no connection can use would only fail every request through it.
        if (!settings.server.isEmpty() && (settings.port < 0 || settings.port > 65535)) {
            check.warnings << QStringLiteral(
                                  "Строка %1 файла proxy.txt: \"%2\" — порт %3 вне пределов "
                                  "1..65535, строка пропущена")
                                  .arg(i + 1)
                                  .arg(lines[i])
                                  .arg(settings.port);
            continue;
        }
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
