#include "crawl/RunControl.h"

#include "platform/LogStamp.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <cstdlib>

RunControl::RunControl(IRunWindow& window, QObject* parent) : QObject(parent), m_window(window) {
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, [this] { ResumeTimerTimer(); });
}

namespace {

// How long a controller taken from its window gets to end before the process
// ends without it (see EndRun).
constexpr int kDetachedEndMs = 30000;

}  // namespace

RunControl::~RunControl() {
    EndRun();
}

void RunControl::EndRun() {
    // A controller still running would call back into a freed window.
    if (!ActiveScraper) return;
    TScraper* scraper = ActiveScraper;
    scraper->Resume();
    scraper->requestInterruption();
    if (WaitForRunEnd(m_closeWaitMs)) return;
    // Not ended in time (a worker deep in a slow conversion): the window is
    // taken from the controller, which then no longer waits for this thread,
    // so waiting for its end here cannot deadlock; then it is freed.
    scraper->DetachWindow();
    ActiveScraper = nullptr;
    if (!scraper->wait(QDeadlineTimer(kDetachedEndMs))) {
        // Every wait of a stopped run is bounded, so this is a fault; the
        // process ends rather than hang or free what the thread still uses.
        qCritical("Сбор не остановился за %d с после закрытия; программа завершается",
                  (m_closeWaitMs + kDetachedEndMs) / 1000);
        std::_Exit(EXIT_FAILURE);
    }
    delete scraper;
}

RunControl::StartOutcome RunControl::Start(RunParameters parameters) {
    if (IsRunActive()) return StartOutcome::AlreadyRunning;
    if (m_window.innListText().trimmed().isEmpty()) return StartOutcome::EmptyInnList;
    m_window.clearLog();
    auto* scraper = new TScraper(*this, m_window, std::move(parameters));
    ActiveScraper = scraper;
    // The end of the run reaches this thread as a queued notice; the
    // controller is freed here, after the window has stopped using it.
    connect(
        scraper, &QThread::finished, this, [this, scraper] { runEnded(scraper); },
        Qt::QueuedConnection);
    scraper->start();
    return StartOutcome::Started;
}

void RunControl::runEnded(TScraper* scraper) {
    const QString result = scraper->result;
    if (ActiveScraper == scraper) ActiveScraper = nullptr;
    scraper->deleteLater();
    if (onRunFinished) onRunFinished(result);
}

bool RunControl::IsRunActive() const {
    return ActiveScraper && !ActiveScraper->isFinished();
}

bool RunControl::IsPaused() const {
    return IsRunActive() && ActiveScraper->IsPaused();
}

void RunControl::PauseButtonClick() {
    if (!IsRunActive()) return;
    if (ActiveScraper->IsPaused()) {
        ActiveScraper->Resume();
        appendLine(QStringLiteral(": Отключаем паузу, продолжаем работу"));
    } else {
        ActiveScraper->Pause();
        m_resumeTimer.stop();
        appendLine(QStringLiteral(": Включаем паузу"));
    }
}

void RunControl::ResumeTimerTimer() {
    m_resumeTimer.stop();
    if (!IsPaused()) return;
    ActiveScraper->Resume();
    appendLine(QStringLiteral(": Отключаем паузу, продолжаем работу"));
}

void RunControl::StopButtonClick() {
    if (!IsRunActive()) return;
    if (ActiveScraper->IsPaused()) ActiveScraper->Resume();
    ActiveScraper->requestInterruption();
    appendLine(QStringLiteral(": Останавливаем работу"));
    m_window.setProgressPosition(0);
}

void RunControl::StartResumeTimer() {
    m_resumeTimer.start(m_resumeDelayMs);
}

bool RunControl::WaitForRunEnd(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (ActiveScraper && !deadline.hasExpired()) {
        // The run's calls are handled; a click or a second close is not.
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return !ActiveScraper;
}

void RunControl::appendLine(const QString& text) {
    // The run's own lines also go to its log file.
    if (ActiveScraper) return ActiveScraper->showLogLine(LogTimeStamp() + text);
    m_window.appendLogLine(LogTimeStamp() + text);
}
