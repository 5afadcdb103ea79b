#pragma once

#include "crawl/JobQueue.h"
#include "crawl/RunHooks.h"
#include "crawl/RunWindow.h"
#include "crawl/SplitTracker.h"
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

class ContractSink;
class RunControl;
class TScrapingThread;
class TSQLiteDatabase;

// Everything a run is started with.
struct RunParameters {
    TSQLiteDatabase* db = nullptr;  // open with its schema; used only by the run while it lasts
    QString programDir;             // with a trailing "/"
    QDate publishDateFrom;          // a null date is unset
    QDate publishDateTo;
    QString tesseractExe;
    QString requestMutexName = QString::fromLatin1(FetchRun::kRequestMutexName);
    CardHandlers handlers;
    // Each loop iteration and each worker start sleeps this long, which keeps
    // the run to about ten worker starts a second; tests shorten it.
    unsigned long loopSleepMs = 50;
    // The total time limit of each request; tests shorten it.
    long requestTimeLimitMs = kRequestTimeLimitMs;
    ReportStage reportStage;
    WorkbookStage workbookStage;
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
    void releaseWorker(TScrapingThread* worker);
    QStringList reportStage();
    void endOfRun(const QStringList& reportFiles);
    void waitWhilePaused();
    HandlerContext handlerContext();
    void addJobLog(const QString& text);

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
    std::unique_ptr<ContractSink> m_store;
    std::vector<std::unique_ptr<TScrapingThread>> m_workers;
    JobQueue m_queue;
    SplitTracker m_splits;
    QStringList m_noticeDocumentKeys;
    DecodedText m_shownLinksFile;
    bool m_splitStarted = false;
    bool m_queueDrained = false;
    bool m_setUpDone = false;

    mutable std::mutex m_pauseMutex;
    std::condition_variable m_pauseChanged;
    bool m_paused = false;
};
