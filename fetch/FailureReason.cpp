#include "fetch/FailureReason.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

QString StatusReason(int code) {
    switch (code) {
        case 403:
            return QStringLiteral("доступ запрещён (403)");
        case 404:
            return QStringLiteral("страница не найдена (404)");
        case 429:
            return QStringLiteral("слишком много запросов (429)");
        default:
            break;
    }
    if (code >= 500) return QStringLiteral("ошибка на стороне портала (%1)").arg(code);
    return QStringLiteral("портал отклонил запрос (%1)").arg(code);
}

// The status code of a status failure: "HTTP/1.1 404 Not Found", or the bare
// code that stands for an empty message; 0 for any other text.
int StatusCode(const QString& message) {
    static const QRegularExpression kStatusLine(QStringLiteral("^HTTP/[0-9.]+ ([1-5][0-9]{2})\\b"));
    static const QRegularExpression kBareCode(QStringLiteral("^[1-5][0-9]{2}$"));
    const QRegularExpressionMatch line = kStatusLine.match(message);
    if (line.hasMatch()) return line.captured(1).toInt();
    return kBareCode.match(message).hasMatch() ? message.toInt() : 0;
}

QString ConnectionReason(const QString& lower) {
    if (lower.contains(u"resolve proxy")) return QStringLiteral("имя прокси-сервера не найдено");
    if (lower.contains(u"resolve") || lower.contains(u"resolving"))
        return QStringLiteral("имя сервера не найдено");
    if (lower.contains(u"gracefully")) return QStringLiteral("сервер закрыл соединение без ответа");
    if (lower.contains(u"timed out") || lower.contains(u"timeout"))
        return QStringLiteral("сервер не ответил вовремя");
    if (lower.contains(u"connect to") || lower.contains(u"couldn't connect") ||
        lower.contains(u"refused"))
        return QStringLiteral("сервер не принимает соединения");
    if (lower.contains(u"ssl") || lower.contains(u"tls") || lower.contains(u"certificate"))
        return QStringLiteral("ошибка защищённого соединения (TLS)");
    if (lower.contains(u"larger than")) return QStringLiteral("ответ слишком большой");
    return {};
}

}  // namespace

QString FailureReason(const QString& statusText) {
    const QString message =
        statusText.startsWith(QLatin1String("ERROR_")) ? statusText.mid(6) : statusText;
    if (message == u"retry") return QStringLiteral("пустой ответ или сбой соединения через прокси");
    if (message == u"aborted") return {};
    const int code = StatusCode(message);
    if (code >= 400) return StatusReason(code);
    return ConnectionReason(message.toLower());
}

QString NoAnswerWarning(const QString& url, int failures, const QString& lastMessage,
                        const QStringList& proxies) {
    const QString reason = FailureReason(lastMessage);
    const QString because =
        reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')');
    if (!proxies.isEmpty()) {
        constexpr qsizetype kNamed = 5;
        QString names = proxies.mid(0, kNamed).join(QStringLiteral(", "));
        if (proxies.size() > kNamed)
            names += QStringLiteral(" и ещё %1").arg(proxies.size() - kNamed);
        return QStringLiteral(
                   "Прокси-серверы не отвечают: %1 запросов подряд через прокси %2 без ответа%3. "
                   "Проверьте прокси в proxy.txt и подключение к интернету")
            .arg(failures)
            .arg(names, because);
    }
    const QUrl address(url);
    const QString server = address.scheme() + QStringLiteral("://") + address.authority();
    return QStringLiteral(
               "Сервер %1 не отвечает: %2 запросов подряд без ответа%3. Проверьте "
               "адрес портала, подключение к интернету и настройки прокси")
        .arg(server)
        .arg(failures)
        .arg(because);
}
