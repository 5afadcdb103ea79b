#pragma once

#include "crawl/RunSummary.h"

#include <QString>
#include <QStringList>

// The lines of the log a window keeps, the last ones; the run's log file
// keeps every line.
inline constexpr int kShownLogLines = 100000;

// What a run reads from the window when it asks.
struct RunSettings {
    int threadsLimit = 1;        // the thread-count control
    int requestIntervalSec = 0;  // the interval control
    bool useProxy = false;       // the proxy check box
};

// The window side of a run, implemented by the Qt window and by the console
// front end. The controller calls these only through its synchronised
// operations: every call runs on the window thread while the controller (or
// a worker) waits, so implementations touch their controls freely and must
// never wait for the controller themselves.
class IRunWindow {
public:
    virtual ~IRunWindow() = default;

    virtual void clearLog() = 0;
    // One complete line, time stamp included; "\r\n" inside shows as several lines.
    virtual void appendLogLine(const QString& line) = 0;
    // The lines of the log the window keeps (at most the last kShownLogLines).
    virtual QStringList logLines() const = 0;

    // The start control and the INN list.
    virtual void setRunControlsEnabled(bool enabled) = 0;
    // The progress bar and its hint "N из M, осталось K".
    virtual void setProgress(int position, int maximum) = 0;
    // The progress bar's position alone, as a stop resets it.
    virtual void setProgressPosition(int position) = 0;
    // What the run is busy with and, once known, the time left (RunPace);
    // empty at the end of the run.
    virtual void setProgressDetail(const QString& /*detail*/) {}
    // The contracts-found label.
    virtual void setTendersCounterText(const QString& text) = 0;

    virtual RunSettings runSettings() const = 0;
    // The whole text of the INN list.
    virtual QString innListText() const = 0;

    // The account of a run that has just ended (done, stopped or failed).
    virtual void showRunSummary(const RunSummary& /*summary*/) {}
};
