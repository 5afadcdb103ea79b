#pragma once

#include "crawl/JobQueue.h"
#include "crawl/NoticeDocumentKeys.h"
#include "crawl/PortalSearch.h"
#include "crawl/RunSummary.h"
#include "platform/GeneralError.h"
#include "platform/TextFile.h"
#include "store/ContractSink.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TSQLiteDatabase;

// One finished job as its handler sees it.
struct FinishedJob {
    int kind = 0;  // the worker's page kind
    QString url;
    QString canonical;
    QString html;
    QString statusText;
};

// The run state a page handler reads and changes, and the run's operations it
// calls. Handlers run on the controller thread, one at a time.
struct HandlerContext {
    JobQueue& queue;
    int& progressBarMax;                     // raised by 1 for every job a handler adds
    int& tendersCounter;                     // contract cards queued in this run
    bool& splitStarted;                      // set by the first split search of the run
    NoticeDocumentKeys& noticeDocumentKeys;  // name=value lines of the 223-FZ handlers
    ContractSink& store;                     // the store operations
    std::function<void(const QString& text)> addLogLine;  // one line, without time stamp
    std::function<void()> updateTendersCounter;
    QDate today;
    int followUpsQueued = 0;  // follow-up jobs the handler queued (QueueFollowUp counts them)
};

using PageHandler = std::function<void(HandlerContext& context, const FinishedJob& job)>;

// The handlers of contract cards and their follow-up pages. An empty handler
// leaves its pages unread.
struct CardHandlers {
    PageHandler card44;              // "contractCard/common-info.html?"
    PageHandler cardCapitalRepair;   // "general-info.html?"
    PageHandler card223;             // "contract-info.html?"
    PageHandler notice223;           // 223-FZ purchase notice
    PageHandler noticeDocuments223;  // notice documents page
    PageHandler supplierList223;     // 223-FZ supplier list
    PageHandler documentInns;        // a converted download, only when it succeeded
};

// The card handler for a finished job of page kind 2 to 6, with its name;
// none for other kinds, and for a download that did not succeed.
struct ChosenHandler {
    const PageHandler* handler = nullptr;
    const char* name = nullptr;
};
ChosenHandler ChooseCardHandler(const CardHandlers& handlers, const FinishedJob& job);

// The registry of a contract card, by the first of "contractCard/common-info.html?" (44-FZ),
// "general-info.html?" (capital repairs) and "contract-info.html?" (223-FZ) its address
// contains; none for any other address.
std::optional<PortalRegistry> CardRegistryOf(const QString& url);

// What the report stage at the end of a drained run works with.
struct ReportContext {
    TSQLiteDatabase& db;
    QString innListText;  // the INN list as the window holds it
    QString programDir;
    QString logFileName;
    QStringList shownLinks;  // the lines of "shown.txt" as loaded at set-up
    TextEncoding shownLinksEncoding = TextEncoding::Utf8Bom;  // the encoding it was read with
    std::function<void(const QString& text)> addLogLine;
    // Filled by the stage, also when it fails: one entry per listed INN
    // without a group and per group, in list order, for the run's summary.
    std::vector<ReportFigures> figures;
    // Asked while the stage waits for another copy and between the lines of
    // the INN list: a stop ends the stage there, what was written staying
    // consistent with "shown.txt". Set by the stage when a stop ended it.
    std::function<bool()> stopRequested = {};
    bool stopped = false;
};

// The failure that ended a report stage, with the files written before it:
// they stay and should still be converted into workbooks.
class EReportStageError : public EGeneralError {
public:
    EReportStageError(const QString& message, QStringList reportFiles);
    const QStringList& reportFiles() const noexcept { return m_reportFiles; }

private:
    QStringList m_reportFiles;
};

// Writes the report files and gives their paths. Throws EReportStageError
// when it cannot finish.
using ReportStage = std::function<QStringList(ReportContext& context)>;

// Turns the report files into workbooks, logging each; a stop (stopRequested,
// asked between two workbooks) leaves the rest to a later run.
using WorkbookStage = std::function<void(const QStringList& reportFiles,
                                         const std::function<void(const QString&)>& addLogLine,
                                         const std::function<bool()>& stopRequested)>;
