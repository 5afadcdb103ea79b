#include "crawl/TScraper.h"

#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "fetch/TScrapingThread.h"
#include "platform/GeneralError.h"
#include "platform/TextFile.h"
#include "store/ContractSink.h"
#include "text/DocumentInns.h"

#include <QDir>

namespace {

QString dateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

// A whole log saved as the program's own text file: CR LF line ends, UTF-8
// with a mark, which a later run reads back unchanged.
void saveLogFile(const QString& path, const QStringList& lines) {
    WriteTextFile(path, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                  TextEncoding::Utf8Bom);
}

}  // namespace

TScraper::TScraper(RunControl& control, IRunWindow& window, RunParameters parameters)
    : m_control(control),
      m_window(window),
      m_parameters(std::move(parameters)),
      m_store(std::make_unique<DatabaseContractSink>(*m_parameters.db)) {}

TScraper::~TScraper() {
    wait();
}

void TScraper::Execute() {
    try {
        m_fetch = std::make_shared<FetchRun>(m_parameters.requestMutexName);
    } catch (const std::exception& e) {
        // Without the request mutex no run is possible; the window stays ready.
        result = QStringLiteral("ERROR_") + QString::fromUtf8(e.what());
        return;
    }
    QStringList reportFiles;
    try {
        setUp();
        crawlLoop();
        if (!isInterruptionRequested()) reportFiles = reportStage();
    } catch (const EReportStageError& e) {
        // The files written before the failure stay and still get workbooks.
        reportFiles = e.reportFiles();
        result = QStringLiteral("ERROR_") + e.message() + QStringLiteral(" (завершаем работу)");
        ReportResult();
    } catch (const std::exception& e) {
        // A set-up failure (an unreadable list file) or an error outside the
        // loop's own handling: reported, and the run still ends properly.
        result = QStringLiteral("ERROR_") + QString::fromUtf8(e.what()) +
                 QStringLiteral(" (завершаем работу)");
        ReportResult();
    }
    stopWorkers();
    endOfRun(reportFiles);
}

void TScraper::setUp() {
    // Named first, so that even a run whose set-up fails leaves its log file.
    LogFileName = QStringLiteral("log%1.txt").arg(static_cast<qint32>(TickClock::system().ticks()));
    m_fetch->pacer.reset();
    m_splitStarted = false;
    TendersCounter = 0;
    counterlastupdated = 0;
    m_fetch->runningDownloads = 0;
    CursorHourGlass = true;
    SetBusyState();

    const QString& dir = m_parameters.programDir;
    m_fetch->proxies = ReadListFile(dir + QStringLiteral("proxy.txt"));
    m_fetch->userAgents = ReadListFile(dir + QStringLiteral("useragents.txt"));
    m_shownLinksFile = ReadTextFile(dir + QStringLiteral("shown.txt"))
                           .value_or(DecodedText{QString(), TextEncoding::Utf8Bom});
    m_fetch->programDir = dir;
    m_fetch->tesseractExe = m_parameters.tesseractExe;
    m_fetch->portalBase = PortalBase();
    // Documents and converter files a killed run left behind are never read again.
    DeleteLeftoverConversionFiles(dir);
    m_fetch->requestTimeLimitMs = m_parameters.requestTimeLimitMs;
    m_fetch->log = [this](const QString& line) {
        Synchronize([this, &line] { m_window.appendLogLine(line); });
    };

    LogMessageText = QStringLiteral("Начинаем работу...");
    AddLogLine();
    queueStartAddresses();
    m_queueDrained = false;
    ReadRunSettings();
    m_setUpDone = true;
}

void TScraper::queueStartAddresses() {
    const QString from = dateText(m_parameters.publishDateFrom);
    const QString to = dateText(m_parameters.publishDateTo);
    for (PortalRegistry registry : {PortalRegistry::Contracts223, PortalRegistry::CapitalRepairs,
                                    PortalRegistry::Contracts44}) {
        m_queue.addTail(BuildStartAddress(registry, from, to));
    }
    ProgressBarPosition = 0;
    ProgressBarMax = static_cast<int>(m_queue.size());
}

QStringList TScraper::reportStage() {
    QStringList files;
    if (m_parameters.reportStage) {
        QString innList;
        Synchronize([this, &innList] { innList = m_window.innListText(); });
        ReportContext context{*m_parameters.db,
                              innList,
                              m_parameters.programDir,
                              LogFileName,
                              SplitLines(m_shownLinksFile.text),
                              m_shownLinksFile.encoding,
                              [this](const QString& text) {
                                  LogMessageText = text;
                                  AddLogLine();
                              }};
        files = m_parameters.reportStage(context);
    }
    result = QStringLiteral("ok");
    ReportResult();
    return files;
}

void TScraper::endOfRun(const QStringList& reportFiles) {
    counterlastupdated = 0;
    UpdateTendersCounter();
    if (m_parameters.workbookStage && !reportFiles.isEmpty()) {
        m_parameters.workbookStage(reportFiles, [this](const QString& text) {
            LogMessageText = text;
            AddLogLine();
        });
    }
    const QString logPath = m_parameters.programDir + LogFileName;
    if (!LogFileName.isEmpty()) {
        appendStampedLine(QStringLiteral(": Работа завершена, лог записан в ") + logPath);
        QStringList lines;
        Synchronize([this, &lines] { lines = m_window.logLines(); });
        try {
            saveLogFile(logPath, lines);
        } catch (const EGeneralError& e) {
            appendStampedLine(QStringLiteral(": Ошибка: ") + e.message());
        }
    }
    ProgressBarPosition = 0;
    UpdateProgress();
    CursorHourGlass = false;
    SetBusyState();
    m_workers.clear();
    m_fetch.reset();
}
