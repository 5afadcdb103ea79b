#pragma once

#include "crawl/PortalSearch.h"
#include "crawl/SupplierFilters.h"

#include <QString>
#include <QStringList>
#include <vector>

// The searches a run starts with. A full crawl starts with the three registries' searches over
// the date range; a search by INN starts with those searches for every listed INN, each
// narrowed by the registry's supplier filter to that supplier's contracts. Pure functions over
// PortalSearch, callable from any thread.

// What the start searches are built from.
struct StartSearchRequest {
    bool searchByInn = false;
    QStringList inns;  // search by INN: distinct INNs, in list order
    QString fromText;  // "dd.mm.yyyy" or empty
    QString toText;
    ContractStages stages = ContractStages::FirstOnly;
    SupplierFilters filters;
};

// The searches queued together, and the log line naming them (empty for a full crawl).
struct StartSearchGroup {
    QString logLine;
    QStringList addresses;  // 223-FZ, capital repairs, 44-FZ; a registry without a filter left out
};

// The address with name + "=" + the percent-encoded value put right after "morphology=on&".
// Every later address of the search is derived from a start address by removing date, price
// or page parameters and appending new ones at the end, so a parameter in the fixed part
// survives every date split, price split and next page. It is not put first after "?" (where
// the value readers, which look for "&name=", would not see it) nor at the end (where the date
// range and the page number are appended). An address without "morphology=on&" is given
// unchanged.
QString WithQueryParam(const QString& address, const QString& name, const QString& value);

// Full crawl: one group of the three start addresses over the date texts. Search by INN: one
// group per INN, in the order given, with the registries whose supplier filter has a name.
std::vector<StartSearchGroup> BuildStartSearches(const StartSearchRequest& request);

// Search by INN: one log line for each registry whose supplier filter is empty (left out of
// the search) or not a plain parameter name (left out too, since it would break the address).
QStringList LeftOutRegistryLines(const SupplierFilters& filters);

// The registries as the log and the account name them: "44-ФЗ", "223-ФЗ", "капремонт".
QString RegistryLabel(PortalRegistry registry);
