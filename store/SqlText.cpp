#include "store/SqlText.h"

#include "platform/RegionalSettings.h"

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

const QString kNull = QStringLiteral("NULL");

QString quotePiece(QString piece) {
    piece.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + piece + QLatin1Char('\'');
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Advances over a run of ASCII digits; returns how many there were.
qsizetype skipDigits(const QString& text, qsizetype& at) {
    const qsizetype start = at;
    while (at < text.size() && isAsciiDigit(text.at(at)))
        ++at;
    return at - start;
}

void skipSign(const QString& text, qsizetype& at) {
    if (at < text.size() && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-')))
        ++at;
}

// A trimmed text of the form [sign] digits [separator digits] [e [sign] digits]
// with at least one mantissa digit. The literal goes unquoted into a
// statement, so nothing beyond these characters may pass.
bool isPlainNumber(const QString& text, QChar separator) {
    qsizetype at = 0;
    skipSign(text, at);
    qsizetype digits = skipDigits(text, at);
    if (at < text.size() && text.at(at) == separator) {
        ++at;
        digits += skipDigits(text, at);
    }
    if (digits == 0) return false;
    if (at < text.size() && (text.at(at) == QLatin1Char('e') || text.at(at) == QLatin1Char('E'))) {
        ++at;
        skipSign(text, at);
        if (skipDigits(text, at) == 0) return false;
    }
    return at == text.size();
}

}  // namespace

QString SqlQuote(const QString& text) {
    if (!text.contains(QChar::Null)) return quotePiece(text);
    QStringList pieces;
    for (const QString& piece : text.split(QChar::Null))
        pieces.append(quotePiece(piece));
    return pieces.join(QLatin1String("||char(0)||"));
}

QString SqlAmount(const QString& text) {
    if (text.isEmpty()) return kNull;
    // The portal writes a decimal comma; the regional separator decides what
    // else passes as a decimal mark.
    const QChar separator = RegionalSettings::current().decimalSeparator;
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), separator);
    if (!isPlainNumber(number, separator)) return kNull;
    number.replace(separator, QLatin1Char('.'));
    // An exponent beyond double range would be stored as infinity.
    return std::isfinite(QLocale::c().toDouble(number)) ? number : kNull;
}

QString SqlDate(const QString& text) {
    if (text.isEmpty()) return kNull;
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, RegionalSettings::current().shortDateFormat);
    // The portal's own form. Needed where the regional format is not day-first:
    // the C locale, for one, names none, and the card handlers always deliver it.
    if (!date.isValid()) date = QDate::fromString(trimmed, QStringLiteral("dd.MM.yyyy"));
    return date.isValid() ? SqlQuote(date.toString(QStringLiteral("yyyy-MM-dd"))) : kNull;
}
