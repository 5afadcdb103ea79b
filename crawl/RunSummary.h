#pragma once

#include "crawl/PortalSearch.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

// The account of one run that its log ends with and the window shows when it ends. Built by
// the controller from counters it keeps while the run goes (never by reading the log back);
// a plain value, copied to the window thread.

enum class RunOutcome {
    Done,     // the queue drained and the report stage ran
    Stopped,  // the user stopped the run (no report stage)
    Failed,   // the run could not do its job: no page of the portal, a failed stage, ...
    // The queue drained and the report stage ran, but pages were given up after their last
    // attempt: contracts behind them may be missing from the answer.
    Incomplete,
};

// What the run read in one registry (the index is that of kSummaryRegistries).
struct RegistryFigures {
    int searchesRead = 0;          // result pages handled
    int cardsRead = 0;             // contract cards handled (follow-up pages not counted)
    int cardsStored = 0;           // contracts handed to the store
    int pagesLackingParts = 0;     // pages that gave an "Ошибка?" line
    int documentsByTextLayer = 0;  // protocol documents whose INNs came from the text layer
    int documentsByOcr = 0;        // ... from OCR
    // Pages given up after their last attempt (or at once, for a 404): result pages, contract
    // cards, and a card's follow-up pages (223-FZ notices, documents, supplier lists, downloads).
    // A result page read but not handled (no result list, no count, a handling error) counts
    // as a result page given up: the cards it would have listed are missing too.
    int searchesUnread = 0;
    int cardsUnread = 0;
    int followUpsUnread = 0;

    int unread() const { return searchesUnread + cardsUnread + followUpsUnread; }
};

// What the search by INN found for one listed INN in one registry, and how far the cards bear
// out the portal's supplier filter.
struct SupplierSearchFigures {
    QString inn;
    PortalRegistry registry = PortalRegistry::Contracts44;
    std::optional<qint64> reported;  // the start search's total; none: its first page not read
    int listed = 0;                  // distinct cards its result pages listed
    int read = 0;                    // of those, cards read in this run
    int stored = 0;                  // of those, cards stored (in this run or before)
    int named = 0;                   // of those stored, cards naming the INN among their suppliers
    bool filterIgnored = false;      // not walked: the portal did not apply the filter
};

// One report of the report stage: a listed INN alone, or a group.
struct ReportFigures {
    QString name;           // the INN, or the group's name
    int newContracts = 0;   // data lines written in this run
    int alreadyShown = 0;   // contracts found but held back because shown.txt lists them
    QString reportFile;     // the .tab written, empty when none
    QString workbookFile;   // the .xlsx written, empty when none
    bool isGroup = false;   // name is a report group's
    bool notAnInn = false;  // a single line whose INN has the wrong length or check digits
    double newSum = 0;      // the amounts of the new contracts' lines together
};

// What a report's line says, decided in this order: new contracts written; else all found
// held back by shown.txt; else the line is not an INN; else nothing stored for it.
enum class ReportState { NewContracts, AllShown, NotAnInn, NoneStored };
ReportState StateOf(const ReportFigures& report);

struct RunSummary {
    RunOutcome outcome = RunOutcome::Done;
    QString failureText;       // Russian, for a failed run: what went wrong
    bool searchByInn = false;  // the run searched the listed INNs only
    QString programDir;        // where the data lives
    QString logFile;           // the run's log file, full path
    // 44-FZ, 223-FZ, capital repairs.
    std::array<RegistryFigures, 3> registries{};
    std::vector<ReportFigures> reports;  // in list order; empty after a stop before the reports
    bool reportStageRan = false;         // the report stage began (also when stopped in it)
    bool reportStageCut = false;         // a stop ended it before the end of the INN list
    QStringList notes;                   // said before the last line (the INN list's doubts)
    QString stagesText;                  // the contract stages searched, as the account says them
    // Search by INN: per INN and registry, in the order searched; the warnings about the
    // portal's supplier filter.
    std::vector<SupplierSearchFigures> supplierSearches;
    QStringList searchWarnings;
    // The portal gave the run nothing to check its INNs against: no page, or none of the start
    // searches. Its reports then say that no check was made, not that nothing was found.
    bool checkNotMade = false;
    QStringList unreadAddresses;  // the first few pages given up, in the order they were

    // Pages of any registry given up: the answer may lack contracts behind them.
    int unread() const;

    // The Russian lines the log and the console show, without time stamps.
    QStringList lines() const;
    // Search by INN: one line per INN with its registries' figures, the warnings about the
    // supplier filter, and what the search cannot find; empty for a full crawl.
    QStringList searchLines() const;
};

// The index of a registry in RunSummary::registries.
int SummaryIndexOf(PortalRegistry registry);

// Why a report says that no check was made (checkNotMade).
QString CheckNotMadeReason();
