#include "fetch/ProxySettings.h"

#include "text/TrimControls.h"

#include <QRegularExpression>
#include <optional>
#include <tuple>
#include <utility>

namespace {

// Code 0 is an ordinary character here; only 1..32 act as blanks.
bool IsBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// Reads a field that starts with a double quote at pos; a doubled quote stands
// for one. An unclosed quote runs to the end of the entry.
QString ReadQuotedField(const QString& entry, qsizetype& pos) {
    QString field;
    ++pos;
    while (pos < entry.size()) {
        const QChar c = entry[pos++];
        if (c != u'"') {
            field += c;
        } else if (pos < entry.size() && entry[pos] == u'"') {
            field += c;
            ++pos;
        } else {
            break;
        }
    }
    return field;
}

QString ReadPlainField(const QString& entry, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < entry.size() && entry[pos] != u';' && !IsBlank(entry[pos]))
        ++pos;
    return entry.mid(start, pos - start);
}

void SkipBlanks(const QString& entry, qsizetype& pos) {
    while (pos < entry.size() && IsBlank(entry[pos]))
        ++pos;
}

// The text before and after the first separator; after is empty without one.
std::pair<QString, QString> SplitAtFirst(const QString& text, QChar separator) {
    const qsizetype at = text.indexOf(separator);
    if (at < 0) return {text, QString()};
    return {text.left(at), text.mid(at + 1)};
}

int PortNumber(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    return ok ? port : 0;
}

}  // namespace

QStringList SplitProxyFields(const QString& entry) {
    QStringList fields;
    qsizetype pos = 0;
    SkipBlanks(entry, pos);
    while (pos < entry.size()) {
        fields << (entry[pos] == u'"' ? ReadQuotedField(entry, pos) : ReadPlainField(entry, pos));
        SkipBlanks(entry, pos);
        if (pos < entry.size() && entry[pos] == u';') {
            if (pos + 1 == entry.size()) fields << QString();
            ++pos;
            SkipBlanks(entry, pos);
        }
    }
    return fields;
}

namespace {

// What one entry names, before it is applied.
struct ProxyEntry {
    QString host;
    QString portText;
    QString user;
    QString password;
};

ProxyEntry ParseFormA(const QString& s) {
    ProxyEntry parsed;
    const auto [credentials, hostPart] = SplitAtFirst(s, u'@');
    std::tie(parsed.host, parsed.portText) = SplitAtFirst(hostPart, u':');
    std::tie(parsed.user, parsed.password) = SplitAtFirst(credentials, u':');
    return parsed;
}

// Form B reads the entry as it was: no trimming, no scheme removal.
std::optional<ProxyEntry> ParseFormB(const QString& entry) {
    const QStringList fields = SplitProxyFields(entry);
    if (fields.size() < 3) return std::nullopt;
    ProxyEntry parsed;
    // A first field without ":" names no host at all.
    if (fields[0].contains(u':'))
        std::tie(parsed.host, parsed.portText) = SplitAtFirst(fields[0], u':');
    parsed.user = fields[1];
    parsed.password = fields[2];
    return parsed;
}

// "host:port", after trimming and scheme removal: a proxy named without
// credentials. Neither form A nor form B, but the form most lists use.
std::optional<ProxyEntry> ParseHostPort(const QString& s) {
    static const QRegularExpression kHostPort(QStringLiteral("^([^\\s:;@/\"]+):([0-9]{1,5})$"));
    const QRegularExpressionMatch match = kHostPort.match(s);
    if (!match.hasMatch()) return std::nullopt;
    return ProxyEntry{match.captured(1), match.captured(2), QString(), QString()};
}

}  // namespace

void ConfigureProxy(ProxySettings& settings, const QString& entry) {
    if (entry.isEmpty()) {
        settings = ProxySettings{};
        return;
    }
    QString s = TrimControls(entry);
    const qsizetype scheme = s.indexOf(u"//");
    if (scheme >= 0) s.remove(0, scheme + 2);

    const std::optional<ProxyEntry> parsed =
        s.contains(u'@') ? std::optional(ParseFormA(s)) : ParseFormB(entry);
    if (!parsed) {
        // Only a bare "host:port" is taken; it carries no credentials, so none
        // of another proxy's are sent to it.
        const std::optional<ProxyEntry> plain = ParseHostPort(s);
        if (plain) settings = ProxySettings{plain->host, PortNumber(plain->portText), {}, {}};
        return;
    }
    settings.server = parsed->host;
    settings.port = PortNumber(parsed->portText);
    if (!parsed->user.isEmpty()) {
        settings.user = parsed->user;
        settings.password = parsed->password;
    }
}

QString ProxyDisplayName(const QString& entry) {
    ProxySettings settings;
    ConfigureProxy(settings, entry);
    if (settings.server.isEmpty() || settings.port == 0) return settings.server;
    return settings.server + QLatin1Char(':') + QString::number(settings.port);
}
