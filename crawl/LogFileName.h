#pragma once

#include <QString>

// The name of a run's log file: "log" + the tick count + ".txt". The tick
// count starts again at every boot, so a name can come round again; then a
// suffix ("log<tick>_2.txt", "_3", ...) keeps the older log from being
// overwritten.
QString FreeLogFileName(const QString& programDir, qint32 tick);

// The name itself when no file of that name exists in programDir, else
// FreeLogFileName for the same tick.
QString KeepLogFileNameFree(const QString& programDir, const QString& name);
