#include "app/ContractListing.h"

#include "report/InnRequest.h"

#include <QSet>
#include <cmath>

namespace {

template <typename Wanted>
QStringList innsWhere(const QString& innListText, Wanted wanted) {
    QStringList inns;
    for (const QString& line : innListText.split(QLatin1Char('\n'))) {
        const InnRequest request = ParseInnListLine(line);
        if (LooksLikeInn(request.Inn) && wanted(request) && !inns.contains(request.Inn))
            inns << request.Inn;
    }
    return inns;
}

QString contractsWord(int n) {
    const int lastTwo = n % 100, last = n % 10;
    if (lastTwo >= 11 && lastTwo <= 14) return QStringLiteral("контрактов");
    if (last == 1) return QStringLiteral("контракт");
    if (last >= 2 && last <= 4) return QStringLiteral("контракта");
    return QStringLiteral("контрактов");
}

}  // namespace

bool LooksLikeInn(const QString& text) {
    if (text.size() != 10 && text.size() != 12) return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

QStringList ListedInns(const QString& innListText) {
    return innsWhere(innListText, [](const InnRequest&) { return true; });
}

QStringList InnsOfGroup(const QString& innListText, const QString& group) {
    return innsWhere(innListText, [&group](const InnRequest& r) { return r.ReportGroup == group; });
}

QStringList GroupsOfList(const QString& innListText) {
    QStringList groups;
    for (const QString& line : innListText.split(QLatin1Char('\n'))) {
        const QString group = ParseInnListLine(line).ReportGroup;
        if (!group.isEmpty() && !groups.contains(group)) groups << group;
    }
    return groups;
}

ContractTotals TotalsOf(const std::vector<StoredContract>& contracts) {
    ContractTotals totals;
    QSet<QString> seen;
    for (const StoredContract& c : contracts) {
        if (seen.contains(c.url)) continue;
        seen.insert(c.url);
        ++totals.contracts;
        totals.sum += c.amount.value_or(0);
    }
    return totals;
}

QString AmountText(double amount) {
    const long long cents = std::llround(std::fabs(amount) * 100);
    QString whole = QString::number(cents / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(' '));
    return (amount < 0 ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') +
           QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
}

QString TotalsLine(const ContractTotals& totals) {
    return QStringLiteral("Итого: %1 %2 на сумму %3 ₽")
        .arg(totals.contracts)
        .arg(contractsWord(totals.contracts), AmountText(totals.sum));
}
