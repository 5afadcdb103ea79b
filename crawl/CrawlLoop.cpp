// The crawl loop of the controller: keeps up to ThreadsLimit fetch workers
// busy and hands every finished job to the handler of its page kind.
#include "crawl/ResultList.h"
#include "crawl/TScraper.h"
#include "fetch/FailureReason.h"
#include "fetch/JobString.h"
#include "fetch/TScrapingThread.h"
#include "platform/TickClock.h"
#include "store/ContractSink.h"
#include "store/SQLiteWrap.h"
#include "text/TrimControls.h"

#include <QDir>
#include <algorithm>

namespace {

// A store failure other than a full disk that hits the same job this many
// times in a row is not passing: the run ends instead of pausing for ever.
constexpr int kStoreFailuresToEnd = 5;

}  // namespace

void TScraper::crawlLoop() {
    while (!isInterruptionRequested() && !m_queueDrained && !m_storeFailed && !fetchCannotGoOn() &&
           !portalUnreachable()) {
        waitWhilePaused();
        if (isInterruptionRequested()) break;
        try {
            loopIteration();
            m_storeFailures = 0;
        } catch (const std::exception& e) {
            // The job stays at the head of the finished list: after the pause
            // it is handled again.
            noteDiskFull(e);
            if (noteStoreFailure(e)) break;
            result = QStringLiteral("ERROR_") + QString::fromUtf8(e.what());
            ReportResult();
        }
        msleep(m_parameters.loopSleepMs);
    }
}

// The run's first requests all failed without any answer: the portal cannot be reached (a
// wrong address, no connection, a dead proxy), and every further request would fail the same
// way for minutes. The run ends here with its reason.
bool TScraper::portalUnreachable() {
    if (!m_fetch->connections.failedFromStart()) return false;
    stopWorkers();
    const QString reason = Health.failureText(PortalBase());
    setRunFailed(reason);
    result = QStringLiteral("ERROR_") + reason + QStringLiteral("; завершаем работу");
    return true;
}

// True when the store has failed the same job too often: the run is then
// marked failed with the database's reason. A full disk keeps its pause.
bool TScraper::noteStoreFailure(const std::exception& error) {
    const auto* database = dynamic_cast<const ESQLiteException*>(&error);
    if (!database || database->resultCode() == kSqliteFull) return false;
    const TScrapingThread* worker = m_fetch->lists.firstFinished();
    const QString job = worker ? worker->url : QString();
    m_storeFailures = job == m_storeFailingJob ? m_storeFailures + 1 : 1;
    m_storeFailingJob = job;
    if (m_storeFailures < kStoreFailuresToEnd) return false;
    m_storeFailed = true;
    const QString reason =
        QStringLiteral("база данных %1 не принимает записи (%2 попыток подряд): %3")
            .arg(QDir::toNativeSeparators(m_parameters.db->FileName()))
            .arg(m_storeFailures)
            .arg(QString::fromUtf8(error.what()));
    setRunFailed(reason);
    result = QStringLiteral("ERROR_") + reason + QStringLiteral("; завершаем работу");
    ReportResult();
    return true;
}

void TScraper::noteDiskFull(const std::exception& error) {
    const auto* database = dynamic_cast<const ESQLiteException*>(&error);
    if (!database || database->resultCode() != kSqliteFull || m_diskFullLogged) return;
    // The pause after every error stays, so that the user can free space; the
    // reason is said once, not at every pause.
    m_diskFullLogged = true;
    LogMessageText = QStringLiteral(
                         "Диск заполнен: база данных %1 не может расти. "
                         "Освободите место на диске, работа продолжится после паузы")
                         .arg(QDir::toNativeSeparators(m_parameters.db->FileName()));
    AddLogLine();
}

// The portal refusing every request, or no proxy left, ends the run: every
// further request would fail the same way.
bool TScraper::fetchCannotGoOn() {
    if (m_endReason.isEmpty() && m_fetch->ending()) m_endReason = m_fetch->endReason();
    return !m_endReason.isEmpty();
}

void TScraper::loopIteration() {
    if (static_cast<int>(m_fetch->lists.runningCount()) < ThreadsLimit && !m_queue.isEmpty()) {
        startWorker();
    }
    if (m_fetch->lists.firstFinished()) handleFinishedJob();
    if (m_queue.isEmpty() && m_fetch->lists.allEmpty()) m_queueDrained = true;
}

void TScraper::startWorker() {
    const QString job = m_queue.takeForStart(ThreadsLimit, m_fetch->runningDownloads.load());
    if (TrimControls(job).isEmpty()) return;
    bool useProxy = false;
    Synchronize([this, &useProxy] { useProxy = m_window.runSettings().useProxy; });

    auto owned = std::make_unique<TScrapingThread>(m_fetch);
    TScrapingThread* worker = owned.get();
    worker->url = job;
    worker->UseProxy = useProxy;
    // The last proxy may have left just now: the job waits, and the loop ends the run.
    if (useProxy && !m_fetch->proxyHealth.next(m_fetch->proxies, worker->proxy)) {
        m_queue.addHeadAgain(job);
        return;
    }
    worker->RequestInterval = static_cast<std::uint32_t>(std::max(0, RequestIntervalSec)) * 1000u;
    // Owned before it is listed, and unlisted again when its thread cannot
    // start, so that the running list never names a freed worker.
    m_workers.push_back(std::move(owned));
    m_fetch->lists.addRunning(worker);
    try {
        if (m_parameters.workerStartFault) m_parameters.workerStartFault();
        worker->Start();
    } catch (...) {
        m_fetch->lists.removeRunning(worker);
        m_workers.pop_back();
        m_queue.addHeadAgain(job);  // tried again after the error pause
        throw;
    }
    msleep(m_parameters.loopSleepMs);
    ReadRunSettings();
}

void TScraper::handleFinishedJob() {
    ++ProgressBarPosition;
    TScrapingThread* worker = m_fetch->lists.firstFinished();
    const int kind = worker->result >= 0 ? worker->result : PageKindOfUrl(worker->url);
    m_pace.note(TickClock::system().ticks(),
                kind == PageKindResultList     ? RunPace::Phase::Searches
                : kind == PageKindContractCard ? RunPace::Phase::Cards
                                               : RunPace::Phase::FollowUps,
                ProgressBarPosition, ProgressBarMax);
    UpdateProgress();
    const FinishedJob job{worker->result, worker->url, worker->canonical, worker->html,
                          worker->statusText};
    Health.jobFinished(job.url, job.kind);
    LogMessageText = job.url + QStringLiteral(": ") + job.statusText;
    // The "ERROR_" status is libcurl's or the portal's text; the reason says it in Russian.
    const QString reason = job.kind < 0 ? FailureReason(job.statusText) : QString();
    if (!reason.isEmpty()) LogMessageText += QStringLiteral(" — ") + reason;
    AddLogLine();
    m_pageLackedPart = false;
    const int storedBefore = m_store->contractsStored();
    dispatch(job);
    tallyJob(job, storedBefore, worker->documentSource);
    m_fetch->lists.takeFinished();
    releaseWorker(worker);
}

void TScraper::dispatch(const FinishedJob& job) {
    HandlerContext context = handlerContext();
    const bool resultPage = PageKindOfUrl(job.url) == PageKindResultList;
    if (job.kind == PageKindResultList || (job.kind == PageKindFailed && resultPage)) {
        ResultListContext list{m_queue,
                               ProgressBarMax,
                               TendersCounter,
                               m_splitStarted,
                               context.addLogLine,
                               [this](const QString& url) {
                                   // A card whose follow-ups never ended is opened again.
                                   return m_store->isUrlStored(url) &&
                                          !m_store->isFollowUpPending(url);
                               },
                               context.updateTendersCounter,
                               context.today,
                               &m_splits,
                               m_parameters.searchByInn ? &m_supplierCheck : nullptr,
                               [this](const QString& url) { m_tally.noteSearchPageLost(url); }};
        if (job.kind == PageKindFailed)
            ResultPageNotRead(list, job.url);
        else
            ParseResultList(list, job.url, job.html);
        return;
    }
    const PageHandler* handler = ChooseCardHandler(m_parameters.handlers, job).handler;
    if (!handler || !*handler) return;
    (*handler)(context, job);
    if (job.kind == PageKindContractCard) m_supplierCheck.cardRead(job.url);
    // A handled follow-up that queues no further one ends its contract's chain.
    if (job.kind != PageKindContractCard && !job.canonical.isEmpty() &&
        context.followUpsQueued == 0)
        m_store->clearFollowUpPending(job.canonical);
}

HandlerContext TScraper::handlerContext() {
    return HandlerContext{m_queue,
                          ProgressBarMax,
                          TendersCounter,
                          m_splitStarted,
                          m_noticeDocumentKeys,
                          *m_store,
                          [this](const QString& text) { addJobLog(text); },
                          [this] { UpdateTendersCounter(); },
                          QDate::currentDate()};
}

void TScraper::addJobLog(const QString& text) {
    if (IsMissingPartLine(text)) m_pageLackedPart = true;
    LogMessageText = text;
    AddLogLine();
}

// Asks every running worker to stop, then waits for all of them: a worker
// notices the request within about 100 ms wherever it waits, and an HTTP
// transfer in progress is aborted, so no worker outlives the run's objects.
void TScraper::stopWorkers() {
    if (!m_fetch) return;
    for (TScrapingThread* worker : m_fetch->lists.running())
        worker->Terminate();
    for (auto& worker : m_workers)
        worker->WaitFor();
    while (m_fetch->lists.takeFinished()) {
    }
    m_workers.clear();
}

void TScraper::releaseWorker(TScrapingThread* worker) {
    worker->Terminate();
    const auto it = std::find_if(m_workers.begin(), m_workers.end(),
                                 [worker](const auto& owned) { return owned.get() == worker; });
    if (it != m_workers.end()) m_workers.erase(it);  // waits for the thread to end
}

void TScraper::waitWhilePaused() {
    std::unique_lock lock(m_pauseMutex);
    while (m_paused && !isInterruptionRequested()) {
        m_pauseChanged.wait_for(lock, std::chrono::milliseconds(100));
    }
}

void TScraper::Pause() {
    std::lock_guard lock(m_pauseMutex);
    m_paused = true;
}

void TScraper::Resume() {
    {
        std::lock_guard lock(m_pauseMutex);
        m_paused = false;
    }
    m_pauseChanged.notify_all();
}

bool TScraper::IsPaused() const {
    std::lock_guard lock(m_pauseMutex);
    return m_paused;
}
