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
};

const SyntheticSearch& SyntheticSearchOf(PortalRegistry registry);

struct SearchFilter {
    QDate from, to;                            // invalid: that end is open
    std::optional<qint64> priceFrom, priceTo;  // none: that end is open
    std::string searchString;                  // the free-text search; empty: every contract
    int page = 1;
};

// Reads the search's date ("dd.mm.yyyy") and price (whole rubles) parameters, searchString and
// pageNumber from decoded query parameters. An absent, empty or unreadable value leaves its end
// open (page 1 for the page number), as the portal ignores a filter it cannot read.
SearchFilter ReadSearchFilter(const std::multimap<std::string, std::string>& params,
                              const SyntheticSearch& search);

// True when the card text holds the text (compared exactly, as a part of a field): a supplier INN
// the card or its supplier-info page shows, the registry number, the subject or the customer's
// name. The INNs of a protocol route stand only in the protocol's PDF and those of a plan
// position nowhere, so, as on the portal, a search by INN does not find those contracts. An empty
// text is held by every card.
bool CardHoldsText(const SyntheticContract& contract, const std::string& text);

// The listed contracts the filter lets through, in listing order.
std::vector<const SyntheticContract*> FilterContracts(
    const std::vector<const SyntheticContract*>& listed, const SearchFilter& filter);

// The result page for the filter: 50 entries a page, at most maxPagesShown pages; a search
// without records, or a page beyond those shown, answers the no-results page.
std::string AnswerSearch(const std::vector<const SyntheticContract*>& listed,
                         const SearchFilter& filter, int maxPagesShown, const std::string& baseUrl);

inline constexpr int kRecordsPerPage = 50;
