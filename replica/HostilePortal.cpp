#include "replica/HostilePortal.h"

#include "replica/CardMarkup.h"
#include "replica/HttpStatus.h"
#include "replica/PortalReplica.h"
#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticCardMarkup.h"
#include "replica/SyntheticSearch.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
// The synthetic portal's card pattern: replacing its handler takes over every card.
constexpr const char* kCardPattern =
    "/epz/(contract/contractCard/common-info|capitalrepairs/contract/card/general-info|"
    "contractfz223/card/contract-info)\\.html";

std::string DayText(const QDate& day) {
    return day.toString(u"dd.MM.yyyy").toStdString();
}

// The 44-FZ day with the most contracts.
QDate BusiestDay(const std::vector<const SyntheticContract*>& listed) {
    std::map<QDate, int> perDay;
    for (const SyntheticContract* contract : listed)
        ++perDay[contract->concluded];
    QDate busiest;
    int most = 0;
    for (const auto& [day, count] : perDay) {
        if (count > most) {
            most = count;
            busiest = day;
        }
    }
    return busiest;
}

struct HostileState {
    HostilePortalConfig config;
    std::vector<const SyntheticContract*> listed44;
    std::unordered_map<std::string, const SyntheticContract*> byCardPath;
    const SyntheticContract* repeated = nullptr;
    const SyntheticContract* hugeAmount = nullptr;
    const SyntheticContract* redirecting = nullptr;
    std::string hugeAmountText;
    int maxPagesShown = 20;
};

// The hostile day's own search, walked: page 1 lists its cards and the repeated one over and
// over, page 2 lists it once more and names itself as the next page, later pages are empty.
std::string HostileDayPage(const HostileState& state, const SearchFilter& filter,
                           const std::string& baseUrl) {
    if (filter.page > 2) return NoResultsPageHtml();
    ResultPageContent content;
    content.total = state.config.claimedTotal;
    content.page = filter.page;
    content.pagesShown = 3;
    content.baseUrl = baseUrl;
    if (filter.page == 1) {
        content.entries = FilterContracts(state.listed44, filter);
        content.entries.insert(content.entries.end(),
                               static_cast<std::size_t>(state.config.listedTimes), state.repeated);
        return ResultPageHtml(content);
    }
    content.entries = {state.repeated};
    std::string html = ResultPageHtml(content);
    for (std::size_t at = html.find("goToPage(3)"); at != std::string::npos;
         at = html.find("goToPage(3)", at))
        html.replace(at, 11, "goToPage(2)");
    return html;
}

void InstallSearch44(PortalReplica& replica, std::shared_ptr<const HostileState> state) {
    PortalReplica* const server = &replica;
    const SyntheticSearch& search = SyntheticSearchOf(PortalRegistry::Contracts44);
    replica.setHandler(search.pathPattern, [state, server, &search](const httplib::Request& req,
                                                                    httplib::Response& res) {
        SearchFilter filter = ReadSearchFilter(req.params, search);
        filter.priceFrom.reset();  // the price filter is ignored
        filter.priceTo.reset();
        const QDate day = state->config.hostileDay;
        const bool covers = (!filter.from.isValid() || filter.from <= day) &&
                            (!filter.to.isValid() || day <= filter.to);
        if (!covers) {
            res.set_content(
                AnswerSearch(state->listed44, filter, state->maxPagesShown, server->baseUrl()),
                kHtml);
        } else if (filter.from == day && filter.to == day) {
            res.set_content(HostileDayPage(*state, filter, server->baseUrl()), kHtml);
        } else {
            // A wider search is split by the crawler on its first page; it claims the total.
            ResultPageContent content;
            content.total = state->config.claimedTotal;
            content.page = filter.page;
            content.pagesShown = state->maxPagesShown;
            content.baseUrl = server->baseUrl();
            res.set_content(ResultPageHtml(content), kHtml);
        }
    });
}

std::string HugeCard(const HostileState& state) {
    const SyntheticContract& contract = *state.hugeAmount;
    CardMarkupValues values;
    values.subject = contract.subject;
    values.amountText = state.hugeAmountText;
    values.conclusionDate = DayText(contract.concluded);
    values.executionDate = DayText(contract.executionEnd);
    values.inns = contract.inns;
    return Card44Page(values);
}

void InstallCards(PortalReplica& replica, std::shared_ptr<const HostileState> state) {
    PortalReplica* const server = &replica;
    replica.setHandler(
        kCardPattern, [state, server](const httplib::Request& req, httplib::Response& res) {
            const std::string key = req.target.empty() ? req.path : req.target;
            const auto found = state->byCardPath.find(key);
            if (found == state->byCardPath.end()) return HttpStatus::setErrorPage(res, 404);
            if (found->second == state->hugeAmount) return res.set_content(HugeCard(*state), kHtml);
            const bool offHost = req.get_header_value("Host").rfind("localhost", 0) == 0;
            if (found->second == state->redirecting && !offHost) {
                return res.set_redirect("https://localhost:" + std::to_string(server->port()) + key,
                                        302);
            }
            res.set_content(SyntheticCardHtml(*found->second, server->baseUrl()), kHtml);
        });
}

}  // namespace

HostilePortal::HostilePortal(PortalReplica& replica, const SyntheticPortal& portal,
                             HostilePortalConfig config)
    : config_(config) {
    auto state = std::make_shared<HostileState>();
    state->listed44 = portal.contractsOf(PortalRegistry::Contracts44);
    if (!config_.hostileDay.isValid()) config_.hostileDay = BusiestDay(state->listed44);
    std::vector<const SyntheticContract*> ofDay;
    for (const SyntheticContract* contract : state->listed44) {
        if (contract->concluded == config_.hostileDay && !contract->offPortalLink)
            ofDay.push_back(contract);
    }
    if (ofDay.size() < 3) throw std::runtime_error("the hostile day has fewer than three cards");
    for (const SyntheticContract& contract : portal.contracts())
        state->byCardPath.emplace(contract.cardPath, &contract);
    repeated_ = state->repeated = ofDay[0];
    hugeAmount_ = state->hugeAmount = ofDay[1];
    redirecting_ = state->redirecting = ofDay[2];
    std::string amount;
    amount.reserve(static_cast<std::size_t>(config_.amountMegabytes) << 20);
    while (amount.size() < (static_cast<std::size_t>(config_.amountMegabytes) << 20))
        amount += "1 ";
    state->hugeAmountText = std::move(amount);
    state->config = config_;
    for (const SyntheticContract& contract : portal.contracts()) {
        if (contract.route == SyntheticRoute::ScannedProtocol) {
            manyPages_ = &contract;
            replica.setDownload(SyntheticProtocolUid(contract), BlankPagesPdf(config_.blankPages));
            break;
        }
    }
    if (!manyPages_) throw std::runtime_error("the synthetic portal has no scanned protocol");
    InstallSearch44(replica, state);
    InstallCards(replica, state);
}

std::string HostilePortal::hostileDayText() const {
    return DayText(config_.hostileDay);
}

std::string BlankPagesPdf(int pages) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    const auto object = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int page = 0; page < pages; ++page)
        kids += std::to_string(page + 3) + " 0 R ";
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (int page = 0; page < pages; ++page)
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << >> >>");
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}
