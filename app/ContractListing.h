#pragma once

#include "store/ContractQueries.h"

#include <QString>
#include <QStringList>
#include <vector>

// What both front ends need to list stored contracts for the INN list: the
// INNs a choice stands for, the groups to choose from, the totals of a list.

// The valid-looking INNs (10 or 12 digits) of the list, in list order, each
// once: all of them, those of one group, or the one INN given.
QStringList ListedInns(const QString& innListText);
QStringList InnsOfGroup(const QString& innListText, const QString& group);
// The groups of the list, in list order, each once.
QStringList GroupsOfList(const QString& innListText);

// True for 10 or 12 decimal digits.
bool LooksLikeInn(const QString& text);

struct ContractTotals {
    int contracts = 0;  // distinct contracts: one linked to two INNs counts once
    double sum = 0;     // NULL amounts count as 0
};
ContractTotals TotalsOf(const std::vector<StoredContract>& contracts);

// "Итого: 3 контракта на сумму 1 234 567,89 ₽"
QString TotalsLine(const ContractTotals& totals);
// "1 234 567,89" (no-break-free spaces between digit groups, a decimal comma).
QString AmountText(double amount);
