#pragma once

#include "crawl/RunWindow.h"
#include "crawl/TScraper.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

// The run control of a front end: start, the pause toggle, the automatic
// resume after an error pause, and stop. Lives on the window thread and is
// the context on which the controller's synchronised operations run. It never
// waits for the controller, except in WaitForRunEnd, which keeps handling
// events meanwhile, and in EndRun (also called by its destructor).
class RunControl : public QObject {
public:
    enum class StartOutcome { Started, EmptyInnList, AlreadyRunning };

    explicit RunControl(IRunWindow& window, QObject* parent = nullptr);
    ~RunControl() override;

    // Starts a run unless one is active or the INN list is blank.
    StartOutcome Start(RunParameters parameters);
    void PauseButtonClick();
    void StopButtonClick();
    void ResumeTimerTimer();

    bool IsRunActive() const;
    bool IsPaused() const;

    // Arms the resume timer; called by the controller on this thread.
    void StartResumeTimer();
    // The pause after an error lasts this long (30 s; tests shorten it).
    void setResumeDelayMs(int ms) { m_resumeDelayMs = ms; }
    QTimer& ResumeTimer() { return m_resumeTimer; }
    // How long the destructor lets an active run end on its own (60 s; tests
    // shorten it) before it takes the window from the controller and waits.
    void setCloseWaitMs(int ms) { m_closeWaitMs = ms; }

    // Called on this thread once a run has ended, with the run's result
    // ("ok", or "ERROR_" and a message), just before the controller is freed.
    std::function<void(const QString& result)> onRunFinished;

    // Handles events other than user input until the active run has ended or
    // the time is up; true when no run is active any more.
    bool WaitForRunEnd(int timeoutMs);

    // Stops the active run and waits for its end: the close wait, then, with
    // the window taken from the controller, a bounded wait more, after which
    // the process ends rather than hang. Its owner calls it before anything
    // the run reaches (the window's controls and timers) is destroyed.
    void EndRun();

private:
    void appendLine(const QString& text);
    void runEnded(TScraper* scraper);

    IRunWindow& m_window;
    QPointer<TScraper> ActiveScraper;
    QTimer m_resumeTimer;
    int m_resumeDelayMs = 30000;
    int m_closeWaitMs = 60000;
};
