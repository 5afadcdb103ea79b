#pragma once

#include "crawl/RunControl.h"
#include "crawl/RunWindow.h"
#include "platform/TextFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class OptionalDateEdit;
class QSplitter;
class RunStatusLine;
class RunSummaryPanel;
class ContractsView;
class WatchPanel;
class TSQLiteDatabase;

// "Парсер контрактов/договоров поставщика по ИНН на <host> по 44ФЗ, 223ФЗ, 615ПП".
QString MainFormCaption();

// How the window starts: the program folder and whether the placement checks
// run (tests start the window from a temporary folder).
struct MainFormOptions {
    QString programDir;     // with a trailing "/"
    QString placementPath;  // the folder of the program file, for the placement checks
    bool checkPlacement = true;
    bool findTesseract = true;  // look for the OCR engine (tests may pretend it is missing)
    QString portalProblem;      // a bad "Portal=" in settings.ini: no run can start
    QString adoptedSettings;    // the settings.ini beside the program copied to the data folder
    // The pause of each turn of a run's loop; unset keeps the run's own (tests shorten it).
    std::optional<unsigned long> loopSleepMs;
};

// The program's window: the INN list, the log, the thread count, the date
// range, start, pause and stop, the contracts-found counter and the progress
// bar. It is also the window side of a run: the controller's synchronised
// operations land here, on the window thread.
class TMainForm : public QWidget, public IRunWindow {
public:
    explicit TMainForm(MainFormOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // IRunWindow, on the window thread.
    void clearLog() override;
    void appendLogLine(const QString& line) override;
    QStringList logLines() const override;
    void setRunControlsEnabled(bool enabled) override;
    void setProgress(int position, int maximum) override;
    void setProgressPosition(int position) override;
    void setProgressDetail(const QString& detail) override;
    void setTendersCounterText(const QString& text) override;
    RunSettings runSettings() const override;
    QString innListText() const override;
    void showRunSummary(const RunSummary& summary) override;

    void StartButtonClick();
    RunControl& runControl() { return m_control; }
    bool startupFailed() const { return m_startupFailed; }

    // The controls, named by role as the rest of the program knows them.
    QLabel* Label1;
    QPlainTextEdit* InnsMemo;
    QLabel* Label2;
    QPlainTextEdit* LogsMemo;
    QPushButton* StartButton;
    QPushButton* PauseButton;
    QPushButton* StopButton;
    QLabel* Label5;
    QSpinBox* LimitEdit;
    QLabel* TendersCounterLabel;
    QLabel* Label3;
    OptionalDateEdit* DatePublishedPicker;
    QLabel* Label6;
    OptionalDateEdit* DatePublishedPicker2;
    QLabel* Label4;
    QSpinBox* IntervalSpinEdit;
    QCheckBox* UseProxyCheckBox;
    QProgressBar* ProgressBar;
    // Added to the controls above: the search mode, the splitter between the
    // INN list and the log, the state of the run, and the account of the last run.
    QCheckBox* SearchByInnCheckBox;
    // The contract stages the searches ask for: index 0 the first stage only, 1 every stage.
    QComboBox* StagesComboBox;
    QSplitter* InnsLogSplitter;
    RunStatusLine* StatusLabel;
    RunSummaryPanel* SummaryPanel;
    ContractsView* ContractsTab = nullptr;  // the stored contracts, a tab beside the log
    WatchPanel* WatchRow = nullptr;         // the daily check and the history of runs

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layOutControls();
    void connectControls();
    void FormShow();
    bool runPlacementChecks();
    void loadSettingsAndList();
    void locateOcrEngine();
    void openDatabase();
    bool askToMoveDamagedDatabase(const QString& message);
    bool askToStopRun();
    bool checkRunStart(RunParameters& parameters);
    ContractStages selectedStages() const;
    void saveSettingsAndList();
    void showMessage(const QString& caption, const QString& text);
    // The run as the window shows it (MainFormRunView.cpp).
    void createRunView();
    void noteDataFolder();
    void restoreWindowState();
    void fitOnScreen();
    bool saveWindowState();
    void runStarted();
    void refreshRunState();
    void runFinished(const QString& result);
    void recordRun();

    MainFormOptions m_options;
    // Declared before the run control, so destroyed after it: a run still
    // active when the window goes is ended by the run control's destructor
    // while the database it writes to is still open.
    std::unique_ptr<TSQLiteDatabase> m_db;
    RunControl m_control;
    QString m_tesseractExe;
    TextEncoding m_innsEncoding = TextEncoding::Utf8;
    bool m_shown = false;
    bool m_startupFailed = false;
    bool m_ocrMissing = false;
    bool m_dbMissing = false;  // the database could not be opened: start stays disabled
    QTimer m_runStateTimer;
    // The run going on, for its row in the history of runs.
    QDateTime m_runStarted;
    QDate m_runFrom, m_runTo;
    QStringList m_runInns;
    std::optional<RunSummary> m_runSummary;
    bool m_stopRequested = false;
    bool m_closing = false;  // the close sequence has begun
    QString
        m_firstUseInnList;  // the INN list beside the program, read while the data folder has none
};
