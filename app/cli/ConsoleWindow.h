#pragma once

#include "crawl/RunSummary.h"
#include "crawl/RunWindow.h"

#include <QStringList>
#include <cstdio>
#include <optional>

// The console's side of a run: log lines go to standard output, a progress
// line to standard error when it is a terminal. Lives on the main thread.
class ConsoleWindow : public IRunWindow {
public:
    ConsoleWindow(RunSettings settings, QString innList);

    void clearLog() override;
    void appendLogLine(const QString& line) override;
    QStringList logLines() const override { return m_lines; }
    void setRunControlsEnabled(bool) override {}
    void setProgress(int position, int maximum) override;
    void setProgressPosition(int position) override;
    void setProgressDetail(const QString& detail) override;
    void setTendersCounterText(const QString& text) override;
    RunSettings runSettings() const override { return m_settings; }
    QString innListText() const override { return m_innList; }
    // The summary's lines are in the log on standard output already; when
    // that goes to a file, they are also shown on standard error.
    void showRunSummary(const RunSummary& summary) override;

    // Clears the progress line before the program ends.
    void finish();

    // The outcome of the run's account, once it was shown.
    std::optional<RunOutcome> outcome() const {
        return m_summary ? std::optional(m_summary->outcome) : std::nullopt;
    }
    // The run's account, once it was shown.
    const std::optional<RunSummary>& summary() const { return m_summary; }

private:
    void drawProgress();
    void clearProgress();

    RunSettings m_settings;
    QString m_innList;
    QStringList m_lines;
    bool m_terminal;
    bool m_progressShown = false;
    int m_position = 0;
    int m_maximum = 0;
    QString m_counter;
    std::optional<RunSummary> m_summary;
    QString m_detail;  // the phase and the time left
};
