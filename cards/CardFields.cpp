#include "cards/CardFields.h"

#include "platform/RegionalSettings.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

#include <algorithm>

namespace {

// Whether the first character from `from` on that the amount keeps (no-break
// spaces and "₽" are dropped) is a digit.
bool NextKeptIsDigit(QStringView text, qsizetype from) {
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(0x00A0) || c == QChar(0x20BD)) continue;
        return c.isDigit();
    }
    return false;
}

}  // namespace

QString CleanValue(QStringView html) {
    return CapFieldValue(TrimControls(HtmlToText(html)));
}

QString CapFieldValue(QString value) {
    if (value.size() <= kMaxFieldLength) return value;
    const qsizetype total = value.size();
    qsizetype keep = kMaxFieldLength;
    // Never half a surrogate pair at the cut.
    if (value.at(keep - 1).isHighSurrogate()) --keep;
    value.truncate(keep);
    return value + QStringLiteral("… (значение обрезано, всего символов: %1)").arg(total);
}

// One pass that keeps the first space of every run: the same result as
// replacing two spaces by one until none are left, without the repeated scans.
QString CollapseSpaces(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u' ' && i > 0 && text[i - 1] == u' ') continue;
        result.append(text[i]);
    }
    return result;
}

// One pass over the text: a space is kept only when it does not stand
// between two digits of what is kept, which is what deleting such spaces from
// the end towards the start leaves, without moving the rest for every space.
QString NormalizeAmountText(QStringView text) {
    const QChar decimal = RegionalSettings::current().decimalSeparator;
    QString amount;
    amount.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(0x00A0) || c == QChar(0x20BD)) continue;
        // Portal pages group digits with "&nbsp;", which reads as an ordinary
        // space by the time a value is cleaned; such groups would leave every
        // amount unreadable, so spaces between two digits go as well.
        if (c == u' ' && !amount.isEmpty() && amount.back().isDigit() &&
            NextKeptIsDigit(text, i + 1)) {
            continue;
        }
        amount.append(c == u',' ? decimal : c);
    }
    return TrimControls(amount);
}

QString CutValue(QStringView html, QStringView startMarker, QStringView endMarker) {
    return CleanValue(ExtractBetween(html, startMarker, {}, endMarker));
}

void TInnList::add(const QString& inn) {
    const auto at = std::lower_bound(m_items.begin(), m_items.end(), inn);
    if (at != m_items.end() && *at == inn) return;
    m_items.insert(at, inn);
}
