#pragma once

#include "replica/SyntheticPortal.h"

#include <QDate>
#include <map>
#include <optional>
#include <string>
#include <vector>

// How the synthetic portal answers a registry's search: which parameters filter the contracts
// and which page of the result list is shown.

// One registry's search page. The names are the crawler's own (crawl/PortalSearch.cpp), copied
// because the replica does not link the crawler; a drift shows in the tests, which search
// through addresses the crawler builds.
struct SyntheticSearch {
    std::string path;         // e.g. "/epz/contract/search/results.html"
    std::string pathPattern;  // the path as a whole-path regular expression
    std::string dateFrom, dateTo, priceFrom, priceTo;
    std::string supplier;  // the supplier filter: "supplierTitle" or "subContractNameInn"
    std::string stages;    // the stage filter: "contractStageList", "statuses", "contractStage"
};

const SyntheticSearch& SyntheticSearchOf(PortalRegistry registry);

struct SearchFilter {
    QDate from, to;                            // invalid: that end is open
    std::optional<qint64> priceFrom, priceTo;  // none: that end is open
    std::string searchString;                  // the free-text search; empty: every contract
    std::string supplier;                      // the supplier filter; empty: every contract
    std::vector<int> stages;                   // the stages asked for; empty: every stage
    int page = 1;
};

// Reads the search's date ("dd.mm.yyyy") and price (whole rubles) parameters, searchString, the
// supplier and stage filters and pageNumber from decoded query parameters. The stage filter's
// value is a comma list ("0,1,2,3"), possibly repeated; the "<name>_N=on" flags beside it only
// mirror the form's boxes and are not read. An absent, empty or unreadable value leaves its end
// open (page 1 for the page number, every stage), as the portal ignores a filter it cannot read;
// parameters of other names are ignored.
SearchFilter ReadSearchFilter(const std::multimap<std::string, std::string>& params,
                              const SyntheticSearch& search);

// True when the free text stands (compared exactly, as a part of a field) in the registry
// number, the subject, the customer's name or the customer's INN. A supplier's INN is not
// searched: the portal's free text does not reach the supplier fields, so it finds a supplier
// only where the INN happens to stand in one of those fields. An empty text is held by every
// card.
bool CardHoldsText(const SyntheticContract& contract, const std::string& text);

// True when the supplier filter's value is a supplier's whole INN or a part of a supplier's name
// (case aside), for a supplier the card or its supplier-info page names: the INNs of a protocol
// route stand only in the protocol's PDF and those of a plan position nowhere, so the filter
// never finds those contracts. An empty value is held by every contract.
bool SupplierFilterMatches(const SyntheticContract& contract, const std::string& value);

// True when the contract's stage is one of the stages, or the list is empty.
bool InSearchedStages(const SyntheticContract& contract, const std::vector<int>& stages);

// The listed contracts the filter lets through, in listing order.
std::vector<const SyntheticContract*> FilterContracts(
    const std::vector<const SyntheticContract*>& listed, const SearchFilter& filter);

// The result page for the filter: 50 entries a page, at most maxPagesShown pages. A search
// without records answers the no-results page; a page beyond those shown answers page 1, as the
// portal does.
std::string AnswerSearch(const std::vector<const SyntheticContract*>& listed,
                         const SearchFilter& filter, int maxPagesShown, const std::string& baseUrl);

inline constexpr int kRecordsPerPage = 50;
