#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TSQLiteDatabase;

// Read-only questions to the contract store for the people who use it: which
// contracts are stored for these INNs, of which registry, customer, and which
// of them the last report stage wrote as new. Plain functions over one
// connection, used on the thread that owns it; they throw ESQLiteException.

// The three registries the crawl reads, told apart by the card address (in
// the order the card handlers are chosen).
enum class Registry { Fz44, Fz223, CapitalRepair, Unknown };

Registry RegistryOfUrl(const QString& url);
// "44-ФЗ", "223-ФЗ", "капремонт", "" for Unknown.
QString RegistryName(Registry registry);
// From the console's 44, 223 or 615; none for anything else.
std::optional<Registry> RegistryFromCode(const QString& code);

// One stored contract under one of the INNs asked for; a contract linked to
// two of them gives two.
struct StoredContract {
    QString inn;  // the INN it is linked to
    QString url;
    QString subject;
    std::optional<double> amount;  // none for a NULL amount
    QDate conclusionDate;          // null when none is stored
    QDate executionDate;
    QString customerName;
    QString customerInn;
    Registry registry = Registry::Unknown;
    bool newInLastReport = false;  // written by the last report stage
};

// What to list. A null date leaves that end open; with an end set, contracts
// without a conclusion date are left out. No registries means all of them.
struct ContractFilter {
    QStringList inns;
    QDate from;
    QDate to;
    std::vector<Registry> registries;
    bool onlyNew = false;  // only those the last report stage wrote
};

// Sorted by INN (in the order given), conclusion date, url.
std::vector<StoredContract> QueryContracts(TSQLiteDatabase& db, const ContractFilter& filter);

// Notes that the report stage of runStamp wrote the contract's line; the
// stage with the greatest stamp is the last one. Each stage notes itself
// under the empty url when it starts.
void RecordReportedLink(TSQLiteDatabase& db, const QString& url, const QString& runStamp);
