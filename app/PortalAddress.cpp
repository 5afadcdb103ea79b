#include "app/PortalAddress.h"

#include <QUrl>

namespace {

QString Refusal(const QString& text) {
    return QStringLiteral(
               "Адрес портала \"%1\" не подходит: нужен адрес вида "
               "https://zakupki.gov.ru (схема https или http, имя сервера, "
               "без пути и параметров)")
        .arg(text);
}

}  // namespace

PortalAddressCheck CheckPortalAddress(const QString& text) {
    QString address = text.trimmed();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool sound = url.isValid() && (scheme == u"https" || scheme == u"http") &&
                       !url.host().isEmpty() && url.path().isEmpty() && !url.hasQuery() &&
                       !url.hasFragment() && url.userInfo().isEmpty() &&
                       !address.contains(QLatin1Char(' '));
    if (!sound) return {QString(), Refusal(text)};
    return {address, QString()};
}
