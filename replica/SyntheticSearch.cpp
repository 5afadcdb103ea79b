#include "replica/SyntheticSearch.h"

#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticContracts.h"

#include <QString>
#include <algorithm>
#include <charconv>

namespace {

struct SearchNames {
    const char *dateFrom, *dateTo, *priceFrom, *priceTo, *supplier, *stages;
};

SyntheticSearch MakeSearch(const std::string& path, const SearchNames& names) {
    std::string pattern;
    for (char c : path)
        pattern += c == '.' ? std::string("\\.") : std::string(1, c);
    return {path,          pattern,        names.dateFrom, names.dateTo, names.priceFrom,
            names.priceTo, names.supplier, names.stages};
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

// Every stage number in every value of the parameter: "0,1,2,3", or one value each.
std::vector<int> ReadStages(const std::multimap<std::string, std::string>& params,
                            const std::string& name) {
    std::vector<int> stages;
    const auto [first, last] = params.equal_range(name);
    for (auto param = first; param != last; ++param) {
        const std::string& value = param->second;
        for (std::size_t at = 0; at <= value.size();) {
            const std::size_t comma = std::min(value.find(',', at), value.size());
            if (const auto stage = ReadWholeNumber(value.substr(at, comma - at)))
                stages.push_back(static_cast<int>(*stage));
            at = comma + 1;
        }
    }
    return stages;
}

bool Passes(const SyntheticContract& contract, const SearchFilter& filter) {
    if (filter.from.isValid() && contract.concluded < filter.from) return false;
    if (filter.to.isValid() && contract.concluded > filter.to) return false;
    if (filter.priceFrom && contract.price < *filter.priceFrom) return false;
    if (filter.priceTo && contract.price > *filter.priceTo) return false;
    return InSearchedStages(contract, filter.stages) &&
           SupplierFilterMatches(contract, filter.supplier) &&
           CardHoldsText(contract, filter.searchString);
}

}  // namespace

const SyntheticSearch& SyntheticSearchOf(PortalRegistry registry) {
    static const SyntheticSearch contracts44 =
        MakeSearch("/epz/contract/search/results.html",
                   {"contractDateFrom", "contractDateTo", "contractPriceFrom", "contractPriceTo",
                    "supplierTitle", "contractStageList"});
    static const SyntheticSearch capitalRepairs =
        MakeSearch("/epz/capitalrepairs/search/results.html",
                   {"capitalDateOfContractConclusionFrom", "capitalDateOfContractConclusionTo",
                    "priceFrom", "priceTo", "subContractNameInn", "contractStage"});
    static const SyntheticSearch contracts223 =
        MakeSearch("/epz/contractfz223/search/results.html",
                   {"contract223DateFrom", "contract223DateTo", "priceFrom", "priceTo",
                    "supplierTitle", "statuses"});
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
    filter.supplier = ParamValue(params, search.supplier);
    filter.stages = ReadStages(params, search.stages);
    const std::optional<qint64> page = ReadWholeNumber(ParamValue(params, "pageNumber"));
    filter.page = page && *page > 1 && *page < 1000000 ? static_cast<int>(*page) : 1;
    return filter;
}

bool CardHoldsText(const SyntheticContract& contract, const std::string& text) {
    if (text.empty()) return true;
    const auto holds = [&text](const std::string& field) {
        return field.find(text) != std::string::npos;
    };
    return holds(SyntheticContractNumber(contract)) || holds(contract.subject) ||
           holds(SyntheticCustomerName(contract)) || holds(contract.customerInn);
}

bool SupplierFilterMatches(const SyntheticContract& contract, const std::string& value) {
    if (value.empty()) return true;
    if (contract.route != SyntheticRoute::Card && contract.route != SyntheticRoute::SupplierList)
        return false;
    const QString part = QString::fromStdString(value);
    return std::any_of(contract.inns.begin(), contract.inns.end(), [&](const std::string& inn) {
        return inn == value || QString::fromStdString(SyntheticSupplierName(inn))
                                   .contains(part, Qt::CaseInsensitive);
    });
}

bool InSearchedStages(const SyntheticContract& contract, const std::vector<int>& stages) {
    return stages.empty() ||
           std::find(stages.begin(), stages.end(), contract.stage) != stages.end();
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
    if (total == 0) return NoResultsPageHtml();
    const int page = filter.page > pagesShown ? 1 : filter.page;
    ResultPageContent content{total, page, pagesShown, {}, baseUrl};
    const std::size_t first = static_cast<std::size_t>(page - 1) * kRecordsPerPage;
    const std::size_t end = std::min(found.size(), first + kRecordsPerPage);
    content.entries.assign(found.begin() + static_cast<std::ptrdiff_t>(first),
                           found.begin() + static_cast<std::ptrdiff_t>(end));
    return ResultPageHtml(content);
}
