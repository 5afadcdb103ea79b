#pragma once

#include "store/SQLiteWrap.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// The contract store: every contract the crawl has read, with the supplier
// INNs linked to it, in one SQLite database that persists between runs.
//
// Free operations over the one open connection (ContractDb). Only one thread
// uses them at a time, as the connection's header says: the window thread
// for CreateSchema at start-up, the crawl controller thread during a run.
// Every operation throws instead of returning error codes: ESQLiteException
// for a database failure, EGeneralError for an unknown url in LinkInnsToUrl.
// LinkInnsToUrl and ReplaceContract are one transaction each and leave either
// all of their writes or none.
//
// Urls, subjects and INNs are exact texts; INN lists may hold blank entries
// and are trimmed entry by entry, blank ones skipped.

// One stored contract as read back for the report.
struct TUrlContractInfo {
    QString Url;
    QString ContractSubject;
    double Amount = 0;       // a NULL amount reads as 0
    QString ConclusionDate;  // "yyyy-mm-dd", or "" when none is stored
    QString ExecutionDate;   // "yyyy-mm-dd", or ""
};

// Contracts under their urls, in the order the database returns them.
using TContractList = std::vector<std::pair<QString, TUrlContractInfo>>;

// Creates the tables and indexes a new file lacks, then brings the file to
// the current layout (MigrateSchema); harmless on an existing one.
void CreateSchema(TSQLiteDatabase& db);

// True when a contract with exactly this url is stored.
bool IsUrlStored(TSQLiteDatabase& db, const QString& url);

// The spelling under which the address's contract is stored: the address
// itself, or, when only that is stored, the address with every "&" written
// "&amp;", as links taken from pages were stored before their character
// references were decoded. None when neither is stored.
std::optional<QString> StoredSpellingOf(TSQLiteDatabase& db, const QString& url);
// The same, with the address itself when neither is stored.
QString StoredUrlSpelling(TSQLiteDatabase& db, const QString& url);

// Stores a contract unless its url is stored already (then nothing changes).
// Amount and date texts that do not parse are stored as NULL.
void StoreContract(TSQLiteDatabase& db, const QString& url, const QString& subject,
                   const QString& amount, const QString& conclusionDate,
                   const QString& executionDate);

// Adds INN links to a stored contract, keeping those it has. Throws
// EGeneralError "URL не найден в базе: " + url, writing nothing, when the url
// is not stored.
void LinkInnsToUrl(TSQLiteDatabase& db, const QString& url, const QStringList& inns);

// Writes the contract (overwriting a stored one) linked to exactly these INNs.
void ReplaceContract(TSQLiteDatabase& db, const QString& url, const QString& subject,
                     const QString& amount, const QString& conclusionDate,
                     const QString& executionDate, const QStringList& inns);

// A 223-FZ card is stored before the follow-up pages that bring its INNs are
// fetched. Its url is marked as pending before the card is stored and cleared
// once the last follow-up has been handled, so a run cut short by a stop, a
// crash or a failed page leaves the mark, and the next run opens the card
// again instead of taking it for done.
void MarkFollowUpPending(TSQLiteDatabase& db, const QString& url);
void ClearFollowUpPending(TSQLiteDatabase& db, const QString& url);
bool IsFollowUpPending(TSQLiteDatabase& db, const QString& url);

// The contracts linked to exactly this INN text.
TContractList GetContractsByInn(TSQLiteDatabase& db, const QString& inn);
