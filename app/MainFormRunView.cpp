// The run as the window shows it beyond the counter and the log: the status
// line and the pressed pause button, the text on the progress bar, the
// account of the finished run, and what the window remembers between starts
// (the date range, the search mode, its geometry and the splitter).
#include "app/OptionalDateEdit.h"
#include "app/ProgramSettings.h"
#include "app/RunStatusLine.h"
#include "app/RunSummaryPanel.h"
#include "app/StartupChecks.h"
#include "app/TMainForm.h"

#include "app/CollectedReport.h"
#include "app/ContractsView.h"
#include "app/RunRecording.h"
#include "app/WatchPanel.h"
#include "app/WindowState.h"

#include <QDateTime>
#include <QDir>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>

namespace {

constexpr int kRunStateRefreshMs = 500;

}  // namespace

void TMainForm::createRunView() {
    SearchByInnCheckBox =
        new QCheckBox(QStringLiteral("Искать только по ИНН из списка (быстро)"), this);
    SearchByInnCheckBox->setToolTip(QStringLiteral(
        "Быстрее полного обхода, но может пропустить договор по 223-ФЗ, поставщик которого "
        "назван только в протоколе комиссии: поиск портала по ИНН такой договор не находит."));
    SearchByInnCheckBox->setAccessibleName(SearchByInnCheckBox->text());
    SearchByInnCheckBox->setAccessibleDescription(SearchByInnCheckBox->toolTip());
    StagesComboBox = new QComboBox(this);
    StagesComboBox->addItem(QStringLiteral("только исполняемые"));
    StagesComboBox->addItem(QStringLiteral("все этапы"));
    StagesComboBox->setToolTip(QStringLiteral(
        "Какие контракты искать: только находящиеся на исполнении (как раньше) или все — также "
        "исполненные, расторгнутые и аннулированные, заключённые в выбранные даты."));
    StagesComboBox->setAccessibleName(QStringLiteral("Этапы контрактов"));
    StagesComboBox->setAccessibleDescription(StagesComboBox->toolTip());
    InnsLogSplitter = new QSplitter(Qt::Horizontal, this);
    InnsLogSplitter->setAccessibleName(QStringLiteral("Граница списка ИНН и логов"));
    StatusLabel = new RunStatusLine(this);
    SummaryPanel = new RunSummaryPanel(this);
    ContractsTab = new ContractsView(this);
    WatchRow = new WatchPanel(this);
    WatchRow->runActive = [this] { return m_control.IsRunActive(); };
    // Offered after a stop; runs on this thread while no run is active.
    SummaryPanel->makeCollectedReport = [this] {
        if (!m_db || m_control.IsRunActive()) return;
        const CollectedReport report = MakeCollectedReport(
            *m_db, m_options.programDir, innListText(), DatePublishedPicker->optionalDate(),
            DatePublishedPicker2->optionalDate(), [this](const QString& text) {
                appendLogLine(
                    QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss: ")) +
                    text);
            });
        SummaryPanel->showCollectedReports(report.figures);
        ContractsTab->refresh();
    };
    ProgressBar->setFormat(QStringLiteral("%v из %m"));
    ProgressBar->setAlignment(Qt::AlignCenter);
    PauseButton->setCheckable(true);
    // Pause and stop act on a run only.
    PauseButton->setEnabled(false);
    StopButton->setEnabled(false);
    m_runStateTimer.setInterval(kRunStateRefreshMs);
}

void TMainForm::noteDataFolder() {
    const QString dir = QDir::toNativeSeparators(m_options.programDir);
    LogsMemo->appendPlainText(QStringLiteral("Папка данных программы: ") + dir);
    const DataFolderPlacement placement =
        DescribeDataFolder(m_options.programDir, m_options.placementPath);
    if (placement.moved) {
        LogsMemo->appendPlainText(
            QStringLiteral("В папку программы %1 записывать нельзя, поэтому настройки, список ИНН, "
                           "база, отчёты и логи хранятся в папке %2")
                .arg(QDir::toNativeSeparators(m_options.placementPath), dir));
    }
    if (!m_options.adoptedSettings.isEmpty()) {
        LogsMemo->appendPlainText(QStringLiteral("Настройки взяты из файла %1")
                                      .arg(QDir::toNativeSeparators(m_options.adoptedSettings)));
    }
    m_firstUseInnList = placement.firstUseInnList;
    if (!m_firstUseInnList.isEmpty()) {
        LogsMemo->appendPlainText(
            QStringLiteral("Список ИНН взят из файла %1; дальше он хранится в папке данных")
                .arg(QDir::toNativeSeparators(m_firstUseInnList)));
    }
}

void TMainForm::restoreWindowState() {
    const WindowState state = WindowState::load(m_options.programDir);
    if (state.hasRange) {
        DatePublishedPicker->setOptionalDate(state.dateFrom);
        DatePublishedPicker2->setOptionalDate(state.dateTo);
    }
    if (!state.geometry.isEmpty()) restoreGeometry(state.geometry);
    fitOnScreen();
    if (!state.splitter.isEmpty()) InnsLogSplitter->restoreState(state.splitter);
    const ProgramSettings settings = ProgramSettings::load(m_options.programDir);
    SearchByInnCheckBox->setChecked(settings.searchByInn);
    StagesComboBox->setCurrentIndex(settings.stages == ContractStages::All ? 1 : 0);
}

// The window's first size and a remembered geometry are meant for a screen at
// 100 %: at a larger scale, or on a smaller screen, the bottom row (start,
// stop, the bar) would lie off-screen. The window is cut to the available
// area and moved onto it.
void TMainForm::fitOnScreen() {
    const QScreen* shown = screen();
    if (!shown) return;
    const QRect available = shown->availableGeometry();
    const QRect frame = frameGeometry();
    const QSize margins = frame.size() - size();
    const QSize fitting = size().boundedTo(available.size() - margins);
    if (fitting != size()) resize(fitting.expandedTo(minimumSizeHint()));
    QRect moved = frameGeometry();
    moved.moveLeft(qBound(available.left(), moved.left(),
                          qMax(available.left(), available.right() - moved.width() + 1)));
    moved.moveTop(qBound(available.top(), moved.top(),
                         qMax(available.top(), available.bottom() - moved.height() + 1)));
    if (moved.topLeft() != frame.topLeft()) move(moved.topLeft());
}

bool TMainForm::saveWindowState() {
    WindowState state;
    state.dateFrom = DatePublishedPicker->optionalDate();
    state.dateTo = DatePublishedPicker2->optionalDate();
    state.geometry = saveGeometry();
    state.splitter = InnsLogSplitter->saveState();
    return state.save(m_options.programDir);
}

void TMainForm::runStarted() {
    m_runStarted = QDateTime::currentDateTime();
    m_runSummary.reset();
    m_stopRequested = false;
    PauseButton->setEnabled(true);
    StopButton->setEnabled(true);
    SummaryPanel->hide();
    ContractsTab->setRunActive(true);
    StatusLabel->runStarted();
    m_runStateTimer.start();
    refreshRunState();
}

void TMainForm::refreshRunState() {
    const bool paused = m_control.IsPaused();
    PauseButton->setChecked(paused);
    if (!m_control.IsRunActive()) return;
    QTimer& resume = m_control.ResumeTimer();
    RunStatusLine::State state = RunStatusLine::State::Running;
    if (m_stopRequested)
        state = RunStatusLine::State::Stopping;
    else if (paused)
        state = resume.isActive() ? RunStatusLine::State::ErrorPause : RunStatusLine::State::Paused;
    StatusLabel->setActiveState(state, resume.isActive() ? resume.remainingTime() : 0);
}

void TMainForm::runFinished(const QString& result) {
    m_runStateTimer.stop();
    PauseButton->setChecked(false);
    PauseButton->setEnabled(false);
    StopButton->setEnabled(false);
    StartButton->setEnabled(!m_ocrMissing && !m_dbMissing);
    ProgressBar->setTextVisible(false);
    StatusLabel->runEnded(result, m_stopRequested);
    ContractsTab->setRunActive(false);
    ContractsTab->refresh();
    m_stopRequested = false;
    recordRun();
    WatchRow->refresh();
}

// The run's row in the history; the run's thread has ended, so the window may use the database.
void TMainForm::recordRun() {
    if (!m_db || !m_runSummary) return;
    const RunRecord record =
        RunRecordOf(*m_runSummary, RunMode::Window, m_runStarted, m_runFrom, m_runTo, m_runInns);
    const QString problem = WriteRunRecord(*m_db, record);
    if (!problem.isEmpty()) LogsMemo->appendPlainText(problem);
    m_runSummary.reset();
}

void TMainForm::showRunSummary(const RunSummary& summary) {
    // The account takes room from the log; a log that showed its end goes on
    // showing it (the run's closing lines).
    QScrollBar* scroll = LogsMemo->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    m_runSummary = summary;
    SummaryPanel->showSummary(summary);
    if (QLayout* pane = LogsMemo->parentWidget()->layout()) pane->activate();
    if (atEnd) scroll->setValue(scroll->maximum());
}
