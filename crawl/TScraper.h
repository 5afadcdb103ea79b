#pragma once

#include "crawl/JobQueue.h"
#include "crawl/RunHealth.h"
#include "crawl/RunHooks.h"
#include "crawl/RunLogFile.h"
#include "crawl/RunPace.h"
#include "crawl/RunSummary.h"
#include "crawl/RunTally.h"
#include "crawl/RunWindow.h"
#include "crawl/SplitTracker.h"
#include "crawl/SupplierSearchCheck.h"
#include "fetch/FetchRun.h"
#include "platform/TextFile.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CountingContractSink;
class RunControl;
class TScrapingThread;
class TSQLiteDatabase;

// Everything a run is started with.
struct RunParameters {
    TSQLiteDatabase* db = nullptr;  // open with its schema; used only by the run while it lasts
    QString programDir;             // with a trailing "/"
    QDate publishDateFrom;          // a null date is unset
    QDate publishDateTo;
    // Search by INN: the run starts with the registries' searches for each of searchInns (in
    // this order) instead of the full crawl of the date range; everything after the start
    // searches is the same.
    bool searchByInn = false;
    QStringList searchInns;  // distinct INNs of the INN list, in list order
    // The registries' supplier filters the search by INN puts the INNs into.
    SupplierFilters supplierFilters;
    // The contract stages the start searches ask for (full crawl and search by INN alike).
    ContractStages stages = ContractStages::FirstOnly;
    // The valid INNs of the list, whose contracts the counter shows apart.
    QStringList listedInns;
    QString tesseractExe;
    QString requestMutexName = QString::fromLatin1(FetchRun::kRequestMutexName);
    CardHandlers handlers;
    // Each loop iteration and each worker start sleeps this long, which keeps
    // the run to about ten worker starts a second; tests shorten it.
    unsigned long loopSleepMs = 50;
    // The total time limit of each page request (downloads have their own); tests shorten it.
    long requestTimeLimitMs = kPageTimeLimitMs;
    // The clock of the run's pacing, pauses and retry delays; tests pass one that skips ahead.
    const TickClock* clock = &TickClock::system();
    ReportStage reportStage;
    WorkbookStage workbookStage;
    // Tests: called where a worker's thread is started; throwing stands for a
    // system that has no thread left to give.
    std::function<void()> workerStartFault;
    // Lines the run's log gets right after "Начинаем работу...": what the
    // front end's checks found wrong with the INN list, proxy.txt, settings.
    QStringList startWarnings;
    // Lines the run's account repeats before its last line (the INN list's doubts).
    QStringList accountNotes;
};

// The crawl controller: carries out one run on a thread of its own, from the
// set-up to the run's log file. It owns the job queue and the fetch workers,
// hands every finished job to its handler, and reaches the window only
// through its synchronised operations, which run on the window thread (the
// thread of the RunControl) while the controller waits.
//
// Created and started by RunControl, which also pauses, resumes and stops it
// from the window thread and deletes it once its thread has finished.
class TScraper : public QThread {
public:
    TScraper(RunControl& control, IRunWindow& window, RunParameters parameters);
    ~TScraper() override;

    // Window thread: pausing holds the loop at its next check; nothing else waits.
    void Pause();
    void Resume();
    bool IsPaused() const;

    // Window thread, when the run control goes away before the run has ended:
    // from now on the synchronised operations return without running, and
    // those waiting now are released. The controller then no longer waits for
    // the window thread, so that thread may wait for the controller's end.
    void DetachWindow();

    // Fields of the run, as the window and the tests read them after the end.
    QString result;
    QString LogMessageText;
    bool CursorHourGlass = false;
    int ProgressBarPosition = 0;
    int ProgressBarMax = 0;
    int TendersCounter = 0;
    std::uint32_t counterlastupdated = 0;
    int ThreadsLimit = 1;
    int RequestIntervalSec = 0;
    QString LogFileName;
    // Whether the portal gave the run anything; a run that got nothing ends
    // with result "ERROR_" and the reason.
    RunHealth Health;

    // Controller thread: marks the run as one that could not do its job, with
    // the Russian reason its summary gives (outcome Failed). The first reason
    // stays; a stop that follows does not hide the failure.
    void setRunFailed(const QString& reason);

    // Window thread: shows the line in the log and appends it to the run's
    // log file (a failure to write it is shown once).
    void showLogLine(const QString& line);

protected:
    void run() override { Execute(); }

private:
    void Execute();
    void setUp();
    void queueStartAddresses();
    void crawlLoop();
    void loopIteration();
    void startWorker();
    void handleFinishedJob();
    void dispatch(const FinishedJob& job);
    void stopWorkers();
    bool fetchCannotGoOn();
    void releaseWorker(TScrapingThread* worker);
    QStringList reportStage();
    void endOfRun(const QStringList& reportFiles, bool stopped);
    void closeLogFile();
    void waitWhilePaused();
    void noteDiskFull(const std::exception& error);
    bool noteStoreFailure(const std::exception& error);
    HandlerContext handlerContext();
    void addJobLog(const QString& text);
    void tallyJob(const FinishedJob& job, int storedBefore, DocumentInnsResult::Source source);
    RunSummary buildSummary(bool stopped) const;
    void writeRunSummary(const RunSummary& summary);
    void finishSupplierCheck();
    bool portalUnreachable();

    // The synchronised operations.
    void Synchronize(const std::function<void()>& operation);
    void AddLogLine();
    void SetBusyState();
    void UpdateProgress();
    void UpdateTendersCounter();
    void ReadRunSettings();
    void StartResumeTimer();
    void ReportResult();
    void applyBusyState();  // on the window thread
    void appendStampedLine(const QString& text);

    RunControl& m_control;
    IRunWindow& m_window;
    RunParameters m_parameters;

    std::shared_ptr<FetchRun> m_fetch;
    std::unique_ptr<CountingContractSink> m_store;
    std::vector<std::unique_ptr<TScrapingThread>> m_workers;
    JobQueue m_queue;
    SplitTracker m_splits;
    SupplierSearchCheck m_supplierCheck;
    std::vector<SupplierSearchFigures> m_supplierFigures;
    QStringList m_searchWarnings;
    NoticeDocumentKeys m_noticeDocumentKeys;
    DecodedText m_shownLinksFile;
    bool m_splitStarted = false;
    bool m_queueDrained = false;
    bool m_setUpDone = false;
    bool m_diskFullLogged = false;  // "Диск заполнен" said in this run
    bool m_reportStageRan = false;
    bool m_reportStageCut = false;  // a stop ended the report stage before the list's end
    bool m_storeFailed = false;     // the store failed the same job too often: the run ends
    QString m_storeFailingJob;      // the job the last store failure came with
    int m_storeFailures = 0;        // store failures in a row with that job
    QString m_endReason;            // why the fetching cannot go on (PortalRefusals, ProxyHealth)
    RunLogFile m_logFile;           // window thread only
    bool m_logFailureShown = false;

    // The run's account (crawl/RunTally.cpp).
    RunTally m_tally;
    RunPace m_pace;                 // the phase and time left the bar shows
    bool m_pageLackedPart = false;  // the job being handled logged a missing part
    bool m_failed = false;
    QString m_failureText;
    std::vector<ReportFigures> m_reportFigures;

    // The synchronised calls waiting for the window thread (the controller's
    // and the workers'), and whether the window is gone.
    struct PendingCall;
    std::mutex m_syncMutex;
    std::vector<std::shared_ptr<PendingCall>> m_pendingCalls;
    bool m_windowDetached = false;

    mutable std::mutex m_pauseMutex;
    std::condition_variable m_pauseChanged;
    bool m_paused = false;
};
