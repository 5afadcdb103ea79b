#pragma once

#include "app/WatchSchedule.h"
#include "store/RunHistory.h"

#include <QFrame>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimeEdit;

// The row of the window for unattended checks and the history of runs: «Проверять новые
// контракты автоматически: каждый день в ЧЧ:ММ» (the systemd user timer of this folder), the
// next and the last check with its outcome, and «Запуски», a menu of the last runs whose entries
// open a run's report or log.
//
// Window thread. It reads the history through a read-only connection of its own, opened for one
// load, at start, after every run, when the menu opens and once a minute (a scheduled watch may
// have run meanwhile), never while a run of the window is going, so it never holds the database
// while that run writes.
class WatchPanel : public QFrame {
public:
    static constexpr int kRunsShown = 15;

    explicit WatchPanel(QWidget* parent = nullptr);

    // The program folder and the console program the timer starts.
    void setSource(const QString& programDir, const QString& cliPath);
    // Reads the schedule and the history again.
    void refresh();

    const std::vector<RunRecord>& runs() const { return m_runs; }

    // Seams for tests: the schedule's changes (by default the systemd user units), how a file
    // opens, how a message is shown.
    std::function<ScheduleChange(const QTime&)> install;
    std::function<ScheduleChange()> remove;
    std::function<bool(const QUrl&)> openUrl;
    std::function<void(const QString&)> showMessage;
    // Whether a run of the window is going: the history is not read then.
    std::function<bool()> runActive = [] { return false; };

    QCheckBox* ScheduleCheckBox;
    QTimeEdit* TimeEdit;
    QLabel* StateLabel;
    QPushButton* RunsButton;
    QMenu* RunsMenu;

private:
    void scheduleToggled(bool on);
    void timeChanged();
    void fillRunsMenu();
    void open(const QString& path);

    QString m_programDir;
    QString m_cliPath;
    std::vector<RunRecord> m_runs;
    QTimer m_refreshTimer;
};
