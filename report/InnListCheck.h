#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Checks of the INN list before a run: which lines name a real INN. Lines are
// read as ParseInnListLine reads them; nothing here changes what a run does
// with a line, it only says what is wrong with it. Pure functions, linear in
// the list's length; a list of a million lines is read in seconds.

// Asked now and then while a list is read: true ends the reading early, and
// the result is then incomplete (the caller drops it).
using InnListStop = std::function<bool()>;

// True for 10 or 12 decimal digits whose check digits are right (the
// taxpayer number's standard weighted sums modulo 11, then modulo 10).
bool IsValidInn(const QString& inn);

// One Russian log line for every non-empty line of the list whose INN is not
// valid, in list order, numbered from 1, for instance
// «Строка 3 списка ИНН: "12345678901" — не ИНН: нужно 10 или 12 цифр».
// A line whose INN field holds several INNs separated by ";", "," or blanks
// says so instead. The list is split at LF, CR LF or CR.
QStringList InnListWarnings(const QString& listText, const InnListStop& stop = {});

// The distinct valid INNs of the list, in the order of their first line.
QStringList ValidInns(const QString& listText, const InnListStop& stop = {});
