#pragma once

#include "crawl/PortalSearch.h"  // PortalRegistry only: the replica does not link the crawler

#include <QDate>
#include <QtGlobal>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class PortalReplica;

// Where a crawl finds a contract's supplier INNs.
enum class SyntheticRoute {
    Card,             // 44-FZ and capital-repair cards name their suppliers themselves
    SupplierList,     // 223-FZ: the card's supplier-info page
    Protocol,         // 223-FZ: purchase notice, its documents, a protocol PDF with a text layer
    ScannedProtocol,  // the same, but the PDF is a scan: only OCR finds its INNs
    PlanPosition,     // 223-FZ: the card shows a plan position; no route leads to a supplier
};

// One contract of the synthetic portal, listed in its registry's search and shown on its card.
struct SyntheticContract {
    PortalRegistry registry;
    std::string cardPath;  // path and query of the card, e.g. "/epz/contract/..."
    QDate concluded;       // the conclusion date the search filters on
    qint64 price = 0;      // whole rubles; the search's price filter works on it
    std::string subject;   // Russian text, sometimes with quotes
    // Supplier INNs (10 or 12 digits), 1 to 3: one for a capital repair, the protocol's on a
    // protocol route.
    std::vector<std::string> inns;
    bool absoluteLink = false;  // listed with an absolute address instead of a path
    // Hostile variants (SyntheticPortalConfig::hostileLinks): listed with a link to another host
    // (a crawl must neither fetch nor store it), or a protocol downloaded under a uid and a file
    // name that climb out of any folder with "../".
    bool offPortalLink = false;
    bool traversalUid = false;

    // How the card leads to the suppliers, and what a correct crawl stores for the card.
    SyntheticRoute route = SyntheticRoute::Card;
    QDate executionEnd{};                     // the end of execution the card shows
    std::string protocolFile{};               // protocol routes: the PDF under tests/data/documents
    std::string noticeNumber{};               // 223-FZ: the purchase notice's number
    std::vector<std::string> expectedInns{};  // sorted; empty when no route leads to them
    std::string expectedSubject{};            // the subject as value cleaning leaves it
    double expectedAmount = 0;                // the stored amount: the price, no kopecks
    std::string expectedConclusion{}, expectedExecution{};  // stored dates, "yyyy-mm-dd"

    // The customer's INN (ten digits, valid control digit). A 44-FZ or capital-repair registry
    // number holds it after its first digit, as the portal's do; the entry of a 223-FZ contract
    // links the customer by it.
    std::string customerInn{};
    // The contract's stage as the registry's stage filter numbers it: 0 "Исполнение", then
    // 1 to 3 (1 to 2 for a capital repair). Stage 0 unless SyntheticPortalConfig::otherStageShare.
    int stage = 0;
};

// "Card", "SupplierList", ...: for messages.
const char* SyntheticRouteName(SyntheticRoute route);

struct SyntheticPortalConfig {
    unsigned seed = 1;
    QDate firstDay, lastDay;  // contracts are spread over these days
    int contracts44 = 100, contractsCapital = 20, contracts223 = 40;
    // Extra 44-FZ contracts on one day each, to make a one-day search large enough for the
    // crawler to split it by price.
    std::vector<std::pair<QDate, int>> crowdedDays;
    // Extra 44-FZ contracts of one supplier, spread over the days, each card naming this INN as
    // its first supplier: enough of them make a search by the INN large enough to be split.
    std::string frequentSupplierInn;
    int frequentSupplierContracts = 0;
    // Like the portal: a search with more records shows only its first pages (20 × 50 = 1000).
    int maxPagesShown = 20;
    // 223-FZ contracts whose commission protocol is a scan (the first ones on the protocol
    // route): each costs the crawl an OCR run of several seconds.
    int ocrContracts = 1;
    // Every 40th 44-FZ contract is listed with a link to another host, and every other
    // text-layer protocol is downloaded under a uid with "../" in it.
    bool hostileLinks = false;
    // The share (0 to 1) of each registry's contracts put in stages other than 0, taking
    // stages 1, 2, 3 in turn (1, 2 for capital repairs). A crawl that searches stage 0 only, as
    // the default search does, misses them.
    double otherStageShare = 0;
    // Fault mode: the searches ignore the supplier filter (supplierTitle, subContractNameInn) and
    // answer as if unfiltered. Also switchable while serving (SyntheticPortal::
    // setIgnoreSupplierFilter).
    bool ignoreSupplierFilter = false;
};

// What a search by a supplier's INN (supplierTitle, subContractNameInn) answers, as the truth a
// crawl's tests compare with. Both lists are in generation order and hold only contracts in the
// searched stages.
struct SupplierSearchTruth {
    // The contracts the search lists: the INN (or a name holding the value) stands on the card
    // or its supplier-info page.
    std::vector<const SyntheticContract*> found;
    // Contracts a full crawl stores for the INN but the search cannot list: the INN stands only
    // in a commission protocol's PDF.
    std::vector<const SyntheticContract*> protocolOnly;
};

// The host the off-portal links of hostile listings lead to.
inline constexpr const char* kOffPortalHost = "https://attacker.invalid";

// A procurement portal made up in the replica: deterministic contracts (by seed) listed at the
// three registries' search pages in the portal's markup, 50 to a page, filtered by the
// registries' date and price parameters, and a card page for each contract in the markup the
// card handlers read. A 223-FZ card leads on to its supplier-info page, or to its purchase notice,
// the notice's documents page and the commission protocol (a committed PDF fixture, downloaded
// from /download/download.html?uid=...), or to a plan position only.
//
// Threads: the handlers run on the replica's worker threads and share only immutable contracts
// and a locked request count with this object; they keep that state alive themselves, so the
// portal may be destroyed while the replica still serves.
class SyntheticPortal {
public:
    // Generates the contracts and installs the search, card and follow-up handlers and the
    // protocol downloads (replacing earlier ones of another synthetic portal). The replica may be
    // started before or after. Throws std::runtime_error when a protocol fixture cannot be read.
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

    // The contracts a crawl whose searches ask for these stages finds (an empty list: no stage
    // filter, every contract), in generation order.
    std::vector<const SyntheticContract*> contractsInStages(const std::vector<int>& stages) const;
    // What a search by the INN finds in every registry, restricted to the stages like
    // contractsInStages.
    SupplierSearchTruth supplierSearch(const std::string& inn,
                                       const std::vector<int>& stages = {}) const;

    // Fault mode, see SyntheticPortalConfig::ignoreSupplierFilter; takes effect from the next
    // request on. Thread-safe.
    void setIgnoreSupplierFilter(bool ignore);

    struct State;

private:
    PortalReplica& replica_;
    std::shared_ptr<State> state_;
};
