#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The checks of a run's input before it starts, shared by both front ends:
// the date range, the INN list and, for a run with proxies, "proxy.txt".
// What is only doubtful becomes a log line for the run's start; what would
// make the run pointless or unsafe refuses it.

struct RunStartInput {
    QString innListText;
    QDate from;  // a null date is unset
    QDate to;
    bool useProxy = false;
    QString programDir;  // with a trailing "/"
};

struct RunStartCheck {
    QStringList warnings;      // Russian log lines, without time stamps
    QStringList accountNotes;  // what the run's account repeats at its end
    QString refusal;           // Russian message; empty when the run may start
};

RunStartCheck CheckRunStart(const RunStartInput& input);
