#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

// The daily watch of a program folder as a systemd user timer and its service in the user's
// unit folder ($XDG_CONFIG_HOME, by default ~/.config, + "/systemd/user/"). The units are named
// after the folder (contract-finder-watch-<hash>), so two folders can each have one. The timer
// is Persistent: a check missed while the computer was off runs at its next start. Where no
// systemd user session answers, nothing is left installed and the user gets the crontab line
// that does the same.

struct WatchUnits {
    QString name;    // "contract-finder-watch-<hash>", without ".timer" / ".service"
    QString folder;  // the user unit folder, ending in "/"
    QString timerText;
    QString serviceText;

    QString timerPath() const { return folder + name + QStringLiteral(".timer"); }
    QString servicePath() const { return folder + name + QStringLiteral(".service"); }
};

QString UserUnitFolder();
QString WatchUnitName(const QString& programDir);
WatchUnits MakeWatchUnits(const QString& programDir, const QString& cliPath, const QTime& at);

// One word of a unit's command line as systemd reads it: in double quotes, with "\" and '"'
// escaped, and "%" and "$" doubled so that no specifier or variable is taken from it.
QString SystemdQuoted(const QString& word);

// The line for "crontab -e" that runs the same watch every day at `at`.
QString CrontabLine(const QString& programDir, const QString& cliPath, const QTime& at);

struct ScheduleChange {
    bool done = false;
    QString message;      // Russian, for the window and the console
    QString crontabLine;  // set when systemd was not there to do it
};

// Writes the units, then "systemctl --user daemon-reload" and "enable --now" the timer.
ScheduleChange InstallWatchSchedule(const QString& programDir, const QString& cliPath,
                                    const QTime& at);
// Disables the timer and removes both units (and the link "enable" made).
ScheduleChange RemoveWatchSchedule(const QString& programDir);

struct WatchScheduleState {
    bool installed = false;  // the timer unit is in the unit folder
    QTime at;
    QDateTime next;  // the next check, counted from `now`
};

WatchScheduleState ReadWatchSchedule(const QString& programDir, const QDateTime& now);
