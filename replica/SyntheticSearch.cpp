#include "replica/SyntheticSearch.h"

#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticContracts.h"

#include <algorithm>
#include <charconv>

namespace {

SyntheticSearch MakeSearch(const std::string& path, const char* dateFrom, const char* dateTo,
                           const char* priceFrom, const char* priceTo) {
    std::string pattern;
    for (char c : path)
        pattern += c == '.' ? std::string("\\.") : std::string(1, c);
    return {path, pattern, dateFrom, dateTo, priceFrom, priceTo};
}

// The first value of the parameter, or empty.
std::string ParamValue(const std::multimap<std::string, std::string>& params,
                       const std::string& name) {
    const auto found = params.find(name);
    return found == params.end() ? std::string{} : found->second;
}

std::optional<qint64> ReadWholeNumber(const std::string& text) {
    qint64 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
    return value;
}

QDate ReadDate(const std::string& text) {
    return QDate::fromString(QString::fromStdString(text), u"dd.MM.yyyy");
}

bool Passes(const SyntheticContract& contract, const SearchFilter& filter) {
    if (filter.from.isValid() && contract.concluded < filter.from) return false;
    if (filter.to.isValid() && contract.concluded > filter.to) return false;
    if (filter.priceFrom && contract.price < *filter.priceFrom) return false;
    if (filter.priceTo && contract.price > *filter.priceTo) return false;
    return CardHoldsText(contract, filter.searchString);
}

}  // namespace

const SyntheticSearch& SyntheticSearchOf(PortalRegistry registry) {
    static const SyntheticSearch contracts44 =
        MakeSearch("/epz/contract/search/results.html", "contractDateFrom", "contractDateTo",
                   "contractPriceFrom", "contractPriceTo");
    static const SyntheticSearch capitalRepairs =
        MakeSearch("/epz/capitalrepairs/search/results.html", "capitalDateOfContractConclusionFrom",
                   "capitalDateOfContractConclusionTo", "priceFrom", "priceTo");
    static const SyntheticSearch contracts223 =
        MakeSearch("/epz/contractfz223/search/results.html", "contract223DateFrom",
                   "contract223DateTo", "priceFrom", "priceTo");
    switch (registry) {
        case PortalRegistry::Contracts44:
            return contracts44;
        case PortalRegistry::CapitalRepairs:
            return capitalRepairs;
        case PortalRegistry::Contracts223:
            break;
    }
    return contracts223;
}

SearchFilter ReadSearchFilter(const std::multimap<std::string, std::string>& params,
                              const SyntheticSearch& search) {
    SearchFilter filter;
    filter.from = ReadDate(ParamValue(params, search.dateFrom));
    filter.to = ReadDate(ParamValue(params, search.dateTo));
    filter.priceFrom = ReadWholeNumber(ParamValue(params, search.priceFrom));
    filter.priceTo = ReadWholeNumber(ParamValue(params, search.priceTo));
    filter.searchString = ParamValue(params, "searchString");
    const std::optional<qint64> page = ReadWholeNumber(ParamValue(params, "pageNumber"));
    filter.page = page && *page > 1 && *page < 1000000 ? static_cast<int>(*page) : 1;
    return filter;
}

bool CardHoldsText(const SyntheticContract& contract, const std::string& text) {
    if (text.empty()) return true;
    const auto holds = [&text](const std::string& field) {
        return field.find(text) != std::string::npos;
    };
    if (holds(SyntheticContractNumber(contract)) || holds(contract.subject) ||
        holds(SyntheticCustomerName(contract)))
        return true;
    const bool innsShown =
        contract.route == SyntheticRoute::Card || contract.route == SyntheticRoute::SupplierList;
    return innsShown && std::any_of(contract.inns.begin(), contract.inns.end(), holds);
}

std::vector<const SyntheticContract*> FilterContracts(
    const std::vector<const SyntheticContract*>& listed, const SearchFilter& filter) {
    std::vector<const SyntheticContract*> found;
    std::copy_if(
        listed.begin(), listed.end(), std::back_inserter(found),
        [&filter](const SyntheticContract* contract) { return Passes(*contract, filter); });
    return found;
}

std::string AnswerSearch(const std::vector<const SyntheticContract*>& listed,
                         const SearchFilter& filter, int maxPagesShown,
                         const std::string& baseUrl) {
    const std::vector<const SyntheticContract*> found = FilterContracts(listed, filter);
    const qint64 total = static_cast<qint64>(found.size());
    const qint64 pages = (total + kRecordsPerPage - 1) / kRecordsPerPage;
    const int pagesShown = static_cast<int>(std::min<qint64>(pages, maxPagesShown));
    if (filter.page > pagesShown) return NoResultsPageHtml();
    ResultPageContent content{total, filter.page, pagesShown, {}, baseUrl};
    const std::size_t first = static_cast<std::size_t>(filter.page - 1) * kRecordsPerPage;
    const std::size_t end = std::min(found.size(), first + kRecordsPerPage);
    content.entries.assign(found.begin() + static_cast<std::ptrdiff_t>(first),
                           found.begin() + static_cast<std::ptrdiff_t>(end));
    return ResultPageHtml(content);
}
