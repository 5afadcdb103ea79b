#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The searches a run starts with. A full crawl starts with the three registries' searches over
// the date range; a search by INN starts with those three searches for every listed INN, each
// narrowed by the portal's free-text parameter to the contracts whose card holds the INN. Pure
// functions over PortalSearch, callable from any thread.

// The searches queued together, and the log line naming them (empty for a full crawl).
struct StartSearchGroup {
    QString logLine;
    QStringList addresses;  // 223-FZ, capital repairs, 44-FZ
};

// The address with "searchString=" + the percent-encoded text put right after
// "morphology=on&". Every later address of the search is derived from a start address by
// removing date, price or page parameters and appending new ones at the end, so a parameter in
// the fixed part survives every date split, price split and next page. It is not put first
// after "?" (where the value readers, which look for "&name=", would not see it) nor at the end
// (where the date range and the page number are appended). An address without
// "morphology=on&" is given unchanged.
QString WithSearchString(const QString& address, const QString& text);

// The value of the address's searchString parameter, empty when none.
QString SearchStringOf(const QString& address);

// Full crawl: one group of the three start addresses over the date texts. Search by INN: one
// group per INN, in the order given.
std::vector<StartSearchGroup> BuildStartSearches(bool searchByInn, const QStringList& inns,
                                                 const QString& fromText, const QString& toText);
