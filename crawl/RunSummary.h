#pragma once

#include <QString>
#include <QStringList>
#include <array>
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
    int searchesUnread = 0;
    int cardsUnread = 0;
    int followUpsUnread = 0;

    int unread() const { return searchesUnread + cardsUnread + followUpsUnread; }
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
    // 44-FZ, 223-FZ, capital repairs.
    std::array<RegistryFigures, 3> registries{};
    std::vector<ReportFigures> reports;  // in list order; empty after a stop
    QStringList unreadAddresses;         // the first few pages given up, in the order they were

    // Pages of any registry given up: the answer may lack contracts behind them.
    int unread() const;

    // The Russian lines the log and the console show, without time stamps.
    QStringList lines() const;
};
