#pragma once

#include "crawl/PortalSearch.h"  // PortalRegistry only: the replica does not link the crawler

#include <QDate>
#include <QtGlobal>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class PortalReplica;

// One contract of the synthetic portal, listed in its registry's search and shown on its card.
struct SyntheticContract {
    PortalRegistry registry;
    std::string cardPath;           // path and query of the card, e.g. "/epz/contract/..."
    QDate concluded;                // the conclusion date the search filters on
    qint64 price = 0;               // whole rubles; the search's price filter works on it
    std::string subject;            // Russian text, sometimes with quotes
    std::vector<std::string> inns;  // supplier INNs (10 or 12 digits), 1 to 3
    bool absoluteLink = false;      // listed with an absolute address instead of a path
};

struct SyntheticPortalConfig {
    unsigned seed = 1;
    QDate firstDay, lastDay;  // contracts are spread over these days
    int contracts44 = 100, contractsCapital = 20, contracts223 = 40;
    // Extra 44-FZ contracts on one day each, to make a one-day search large enough for the
    // crawler to split it by price.
    std::vector<std::pair<QDate, int>> crowdedDays;
    // Like the portal: a search with more records shows only its first pages (20 × 50 = 1000).
    int maxPagesShown = 20;
};

// A procurement portal made up in the replica: deterministic contracts (by seed) listed at the
// three registries' search pages in the portal's markup, 50 to a page, filtered by the
// registries' date and price parameters, and a card page for each contract.
//
// Threads: the handlers run on the replica's worker threads and share only immutable contracts
// and a locked request count with this object; they keep that state alive themselves, so the
// portal may be destroyed while the replica still serves.
class SyntheticPortal {
public:
    // Generates the contracts and installs the search and card handlers (replacing earlier ones
    // of another synthetic portal). The replica may be started before or after.
    SyntheticPortal(PortalReplica& replica, SyntheticPortalConfig config);
    ~SyntheticPortal();
    SyntheticPortal(const SyntheticPortal&) = delete;
    SyntheticPortal& operator=(const SyntheticPortal&) = delete;

    const std::vector<SyntheticContract>& contracts() const;  // in generation order
    // The registry's contracts in the order its searches list them (by date, then card path).
    std::vector<const SyntheticContract*> contractsOf(PortalRegistry registry) const;
    std::string cardUrl(const SyntheticContract& contract) const;  // replica base + card path

    // Requests the portal's handlers answered for this path (without query); faults injected by
    // the replica before a handler runs are not counted.
    std::size_t requestCount(const std::string& path) const;

    struct State;

private:
    PortalReplica& replica_;
    std::shared_ptr<State> state_;
};
