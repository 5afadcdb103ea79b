#pragma once

#include "replica/HtmlEscape.h"  // the entries escape their texts with EscapeHtml
#include "replica/SyntheticPortal.h"

#include <QtGlobal>
#include <string>
#include <vector>

// The synthetic portal's search result pages, in the real portal's markup: the record count
// under "search-results__total", one "search-registry-entry-block" per contract with the card
// link inside "registry-entry__header-mid__number", and the paginator with "page__link_active"
// and the next-page arrow. Values are spread over indented lines like the portal's.

struct ResultPageContent {
    qint64 total = 0;    // records the search found
    int page = 1;        // the page shown, from 1
    int pagesShown = 1;  // pages the paginator offers; the next-page arrow only before the last
    std::vector<const SyntheticContract*> entries;
    std::string baseUrl;  // put before the card path of entries listed with an absolute address
};

std::string ResultPageHtml(const ResultPageContent& content);

// The answer to a search that found nothing: the no-results text, no record count.
std::string NoResultsPageHtml();

// The portal's wording of a count: "5 записей", "21 запись", "1&nbsp;234 записи"; from ten
// thousand on "более N записей", N rounded down to thousands (so still at least a thousand).
std::string RecordCountText(qint64 count);

// Digits in groups of three joined by "&nbsp;": "27&nbsp;000&nbsp;000".
std::string GroupedNumber(qint64 value);

// A price as the portal shows it: "262&nbsp;512,00 ₽".
std::string RublesText(qint64 rubles);

// One entry block of a result list; its card link is relative or absolute as the contract says.
std::string ResultEntryHtml(const SyntheticContract& contract, const std::string& baseUrl);
