#include "crawl/TScraper.h"

#include "crawl/LogFileName.h"
#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "crawl/StartSearches.h"
#include "fetch/ProxyList.h"
#include "fetch/TScrapingThread.h"
#include "platform/GeneralError.h"
#include "platform/LogStamp.h"
#include "platform/TextFile.h"
#include "store/ContractSink.h"
#include "text/DocumentInns.h"

#include <QDir>

namespace {

QString dateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

}  // namespace

TScraper::TScraper(RunControl& control, IRunWindow& window, RunParameters parameters)
    : m_control(control),
      m_window(window),
      m_parameters(std::move(parameters)),
      m_store(std::make_unique<CountingContractSink>(
          std::make_unique<DatabaseContractSink>(*m_parameters.db))) {
    m_store->setListedInns(m_parameters.listedInns);
}

TScraper::~TScraper() {
    wait();
}

void TScraper::Execute() {
    try {
        m_fetch = std::make_shared<FetchRun>(m_parameters.requestMutexName, *m_parameters.clock);
    } catch (const std::exception& e) {
        // Without the request mutex no run is possible; the window stays ready.
        result = QStringLiteral("ERROR_") + QString::fromUtf8(e.what());
        return;
    }
    QStringList reportFiles;
    bool stopped = false;
    try {
        setUp();
        crawlLoop();
        finishSupplierCheck();
        stopped = isInterruptionRequested();
        if (!m_endReason.isEmpty() && !stopped) {
            // Like a stop, the run ends without reports, but as failed, with its reason.
            setRunFailed(m_endReason);
            result = QStringLiteral("ERROR_") + m_endReason + QStringLiteral("; завершаем работу");
            ReportResult();
        } else if (!stopped && !m_storeFailed) {
            // A run whose store failed for good has nothing sound to report.
            reportFiles = reportStage();
        }
    } catch (const EReportStageError& e) {
        // The files written before the failure stay and still get workbooks.
        reportFiles = e.reportFiles();
        result = QStringLiteral("ERROR_") + e.message() + QStringLiteral(" (завершаем работу)");
        setRunFailed(QStringLiteral("отчёты составлены не полностью: ") + e.message());
        ReportResult();
    } catch (const std::exception& e) {
        // A set-up failure (an unreadable list file) or an error outside the
        // loop's own handling: reported, and the run still ends properly.
        result = QStringLiteral("ERROR_") + QString::fromUtf8(e.what()) +
                 QStringLiteral(" (завершаем работу)");
        setRunFailed(QString::fromUtf8(e.what()));
        ReportResult();
    }
    stopWorkers();
    endOfRun(reportFiles, stopped || isInterruptionRequested());
}

void TScraper::setRunFailed(const QString& reason) {
    if (m_failed) return;
    m_failed = true;
    m_failureText = reason;
}

void TScraper::setUp() {
    // Named first, so that even a run whose set-up fails leaves its log file.
    LogFileName =
        FreeLogFileName(m_parameters.programDir, static_cast<qint32>(TickClock::system().ticks()));
    m_fetch->pacer.reset();
    m_splitStarted = false;
    TendersCounter = 0;
    counterlastupdated = 0;
    m_fetch->runningDownloads = 0;
    CursorHourGlass = true;
    SetBusyState();

    const QString& dir = m_parameters.programDir;
    // A line that names no proxy server would send its requests out directly.
    m_fetch->proxies = CheckProxyList(ReadListFile(dir + QStringLiteral("proxy.txt"))).usable;
    m_fetch->userAgents = ReadListFile(dir + QStringLiteral("useragents.txt"));
    m_shownLinksFile = ReadTextFile(dir + QStringLiteral("shown.txt"))
                           .value_or(DecodedText{QString(), TextEncoding::Utf8Bom});
    m_fetch->programDir = dir;
    m_fetch->tesseractExe = m_parameters.tesseractExe;
    m_fetch->portalBase = PortalBase();
    // Documents and converter files a killed run left behind are never read again.
    DeleteLeftoverConversionFiles(dir);
    m_fetch->pageTimeLimitMs = m_parameters.requestTimeLimitMs;
    m_fetch->log = [this](const QString& line) {
        Synchronize([this, &line] { showLogLine(line); });
    };

    LogMessageText = QStringLiteral("Начинаем работу...");
    AddLogLine();
    for (const QString& warning : m_parameters.startWarnings) {
        LogMessageText = warning;
        AddLogLine();
    }
    if (!m_fetch->requestMutex.fallbackNote().isEmpty()) {
        LogMessageText = m_fetch->requestMutex.fallbackNote();
        AddLogLine();
    }
    queueStartAddresses();
    m_queueDrained = false;
    ReadRunSettings();
    m_setUpDone = true;
}

void TScraper::queueStartAddresses() {
    StartSearchRequest request{m_parameters.searchByInn,
                               m_parameters.searchInns,
                               dateText(m_parameters.publishDateFrom),
                               dateText(m_parameters.publishDateTo),
                               m_parameters.stages,
                               m_parameters.supplierFilters};
    m_supplierCheck.setFilters(request.filters);
    if (request.searchByInn) {
        for (const QString& line : LeftOutRegistryLines(request.filters)) {
            LogMessageText = line;
            AddLogLine();
        }
    }
    for (const StartSearchGroup& group : BuildStartSearches(request)) {
        if (!group.logLine.isEmpty()) {
            LogMessageText = group.logLine;
            AddLogLine();
        }
        for (const QString& address : group.addresses) {
            m_queue.addTail(address);
            Health.startSearchQueued(address);
            if (request.searchByInn) m_supplierCheck.startSearchQueued(address);
        }
    }
    ProgressBarPosition = 0;
    ProgressBarMax = static_cast<int>(m_queue.size());
}

QStringList TScraper::reportStage() {
    QStringList files;
    if (m_parameters.reportStage) {
        m_reportStageRan = true;
        QString innList;
        Synchronize([this, &innList] { innList = m_window.innListText(); });
        ReportContext context{*m_parameters.db,
                              innList,
                              m_parameters.programDir,
                              LogFileName,
                              // The text goes: the stage keeps its lines, not both.
                              SplitLines(std::exchange(m_shownLinksFile.text, {})),
                              m_shownLinksFile.encoding,
                              [this](const QString& text) {
                                  LogMessageText = text;
                                  AddLogLine();
                              },
                              {},
                              [this] { return isInterruptionRequested(); }};
        try {
            files = m_parameters.reportStage(context);
        } catch (const EReportStageError&) {
            m_reportFigures = std::move(context.figures);
            throw;
        }
        m_reportFigures = std::move(context.figures);
        // Stopped: the account says what was written; no "Сбор данных завершен".
        m_reportStageCut = context.stopped;
        if (m_reportStageCut) return files;
    }
    const QString failure = Health.failureText(PortalBase());
    if (!failure.isEmpty()) setRunFailed(failure);
    // "завершаем работу": a failed run ends without the error pause.
    result = failure.isEmpty()
                 ? QStringLiteral("ok")
                 : QStringLiteral("ERROR_") + failure + QStringLiteral("; завершаем работу");
    ReportResult();
    return files;
}

void TScraper::endOfRun(const QStringList& reportFiles, bool stopped) {
    counterlastupdated = 0;
    UpdateTendersCounter();
    // Also without files of its own: the stage may have found earlier reports
    // whose workbook is missing.
    if (m_parameters.workbookStage && (m_reportStageRan || !reportFiles.isEmpty())) {
        m_parameters.workbookStage(
            reportFiles,
            [this](const QString& text) {
                LogMessageText = text;
                AddLogLine();
            },
            [this] { return isInterruptionRequested(); });
    }
    const RunSummary summary = buildSummary(stopped);
    if (!LogFileName.isEmpty()) {
        try {
            writeRunSummary(summary);
            closeLogFile();
        } catch (const std::exception& e) {
            // A window operation failed: the window cannot show it either.
            qWarning("%s", e.what());
        }
    }
    ProgressBarPosition = 0;
    UpdateProgress();
    CursorHourGlass = false;
    SetBusyState();
    if (!LogFileName.isEmpty()) Synchronize([this, &summary] { m_window.showRunSummary(summary); });
    m_workers.clear();
    m_fetch.reset();
}

// The closing line is shown only once the log file holds it, and with it
// every line before.
void TScraper::closeLogFile() {
    const QString logPath = m_parameters.programDir + LogFileName;
    Synchronize([this, &logPath] {
        const QString closing =
            LogTimeStamp() + QStringLiteral(": Работа завершена, лог записан в ") + logPath;
        if (m_logFile.append(closing) && m_logFile.close()) {
            m_window.appendLogLine(closing);
            return;
        }
        m_logFile.close();
        const QString reason =
            m_logFile.failure().isEmpty() ? QStringLiteral("файл не открыт") : m_logFile.failure();
        m_window.appendLogLine(
            LogTimeStamp() + QStringLiteral(": Работа завершена, но лог не записан полностью в ") +
            logPath + QStringLiteral(": ") + reason);
    });
}

void TScraper::showLogLine(const QString& line) {
    m_window.appendLogLine(line);
    if (m_logFile.append(line) || m_logFile.failure().isEmpty() || m_logFailureShown) return;
    m_logFailureShown = true;
    m_window.appendLogLine(LogTimeStamp() + QStringLiteral(": Ошибка: не удалось записать лог в ") +
                           m_logFile.path() + QStringLiteral(": ") + m_logFile.failure());
}
