#include "cards/CardFields.h"

#include "platform/RegionalSettings.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

#include <algorithm>

QString CleanValue(QStringView html) {
    return TrimControls(HtmlToText(html));
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

QString NormalizeAmountText(QStringView text) {
    QString amount = text.toString();
    amount.remove(QChar(0x00A0));
    amount.remove(QChar(0x20BD));
    // Portal pages group digits with "&nbsp;", which reads as an ordinary
    // space by the time a value is cleaned; such groups would leave every
    // amount unreadable, so spaces between two digits go as well.
    for (qsizetype i = amount.size() - 2; i > 0; --i) {
        if (amount[i] == u' ' && amount[i - 1].isDigit() && amount[i + 1].isDigit()) {
            amount.remove(i, 1);
        }
    }
    amount.replace(u',', RegionalSettings::current().decimalSeparator);
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
