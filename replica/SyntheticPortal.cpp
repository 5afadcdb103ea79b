#include "replica/SyntheticPortal.h"

#include "replica/HttpStatus.h"
#include "replica/PortalReplica.h"
#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticCardMarkup.h"
#include "replica/SyntheticContracts.h"
#include "replica/SyntheticSearch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";

// The path of every card, as a whole-path pattern.
constexpr const char* kCardPattern =
    "/epz/(contract/contractCard/common-info|capitalrepairs/contract/card/general-info|"
    "contractfz223/card/contract-info)\\.html";

std::size_t IndexOf(PortalRegistry registry) {
    return static_cast<std::size_t>(registry);
}

// A card's key: its path and query exactly as the client sent them.
std::string CardKey(const httplib::Request& req) {
    return req.target.empty() ? req.path : req.target;
}

}  // namespace

struct SyntheticPortal::State {
    // Fixed once built; the handlers only read them.
    std::vector<SyntheticContract> contracts;
    // Per registry, in listing order: by conclusion date, then card path.
    std::array<std::vector<const SyntheticContract*>, 3> listed;
    std::unordered_map<std::string, const SyntheticContract*> byCardPath;
    // 223-FZ contracts by card id (supplier-info pages) and by notice number (notice pages).
    std::unordered_map<std::string, const SyntheticContract*> byCardId, byNotice;
    int maxPagesShown = 20;
    std::atomic<bool> ignoreSupplierFilter{false};  // the fault mode

    mutable std::mutex lock;
    std::map<std::string, std::size_t> requests;  // under lock

    void count(const std::string& path) {
        std::lock_guard guard(lock);
        ++requests[path];
    }
};

namespace {

void BuildIndexes(SyntheticPortal::State& state) {
    for (const SyntheticContract& contract : state.contracts) {
        state.listed[IndexOf(contract.registry)].push_back(&contract);
        state.byCardPath.emplace(contract.cardPath, &contract);
        if (contract.route == SyntheticRoute::SupplierList)
            state.byCardId.emplace(SyntheticContractNumber(contract), &contract);
        if (!contract.protocolFile.empty())
            state.byNotice.emplace(contract.noticeNumber, &contract);
    }
    for (auto& listed : state.listed) {
        std::stable_sort(listed.begin(), listed.end(), [](const auto* a, const auto* b) {
            return std::tie(a->concluded, a->cardPath) < std::tie(b->concluded, b->cardPath);
        });
    }
}

// The handlers hold the state, not the portal object; the replica, which owns the handlers,
// outlives their calls, so they may keep a pointer to it.
void InstallSearch(PortalReplica& replica, std::shared_ptr<SyntheticPortal::State> state,
                   PortalRegistry registry) {
    PortalReplica* const server = &replica;
    replica.setHandler(
        SyntheticSearchOf(registry).pathPattern,
        [state, server, registry](const httplib::Request& req, httplib::Response& res) {
            state->count(req.path);
            SearchFilter filter = ReadSearchFilter(req.params, SyntheticSearchOf(registry));
            if (state->ignoreSupplierFilter) filter.supplier.clear();
            res.set_content(AnswerSearch(state->listed[IndexOf(registry)], filter,
                                         state->maxPagesShown, server->baseUrl()),
                            kHtml);
        });
}

void InstallCards(PortalReplica& replica, std::shared_ptr<SyntheticPortal::State> state) {
    PortalReplica* const server = &replica;
    replica.setHandler(
        kCardPattern, [state, server](const httplib::Request& req, httplib::Response& res) {
            state->count(req.path);
            const auto found = state->byCardPath.find(CardKey(req));
            if (found == state->byCardPath.end()) return HttpStatus::setErrorPage(res, 404);
            res.set_content(SyntheticCardHtml(*found->second, server->baseUrl()), kHtml);
        });
}

// A 223-FZ follow-up page: the contract whose key is the value of the parameter, through the
// index, answered by page; 404 for any other.
using FollowUpPage = std::string (*)(const SyntheticContract&, const std::string& baseUrl);

void InstallFollowUp(
    PortalReplica& replica, std::shared_ptr<SyntheticPortal::State> state, const std::string& path,
    const std::string& parameter,
    std::unordered_map<std::string, const SyntheticContract*> SyntheticPortal::State::*index,
    FollowUpPage page) {
    PortalReplica* const server = &replica;
    std::string pattern;
    for (const char c : path)
        pattern += c == '.' ? std::string("\\.") : std::string(1, c);
    replica.setHandler(pattern, [=](const httplib::Request& req, httplib::Response& res) {
        state->count(req.path);
        const auto& contracts = (*state).*index;
        const auto found = contracts.find(req.get_param_value(parameter));
        if (found == contracts.end()) return HttpStatus::setErrorPage(res, 404);
        res.set_content(page(*found->second, server->baseUrl()), kHtml);
    });
}

void InstallFollowUps(PortalReplica& replica, std::shared_ptr<SyntheticPortal::State> state) {
    using State = SyntheticPortal::State;
    InstallFollowUp(replica, state, kSupplierListPath, "id", &State::byCardId,
                    [](const SyntheticContract& contract, const std::string&) {
                        return SyntheticSupplierListHtml(contract);
                    });
    InstallFollowUp(replica, state, kNoticePath, "purchaseNoticeNumber", &State::byNotice,
                    [](const SyntheticContract& contract, const std::string&) {
                        return SyntheticNoticeHtml(contract);
                    });
    InstallFollowUp(replica, state, kDocumentsPath, "purchaseNoticeNumber", &State::byNotice,
                    &SyntheticDocumentsHtml);
}

// The folder of the served PDFs: beside an installed program
// (<prefix>/share/contract-finder/documents), or a "documents" folder next to
// the program, or else the source tree's fixtures the build was made from.
std::filesystem::path DocumentsDir() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path own = exe.parent_path();
        for (const auto& candidate :
             {own.parent_path() / "share/contract-finder/documents", own / "documents"}) {
            if (std::filesystem::is_directory(candidate, error)) return candidate;
        }
    }
    return CF_REPLICA_DOCUMENTS_DIR;
}

std::string ReadDocument(const std::string& file) {
    static const std::filesystem::path dir = DocumentsDir();
    const std::string path = (dir / file).string();
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The protocol of every contract on a protocol route, under its uid.
void InstallProtocols(PortalReplica& replica, const SyntheticPortal::State& state) {
    std::map<std::string, std::string> documents;
    for (const SyntheticContract& contract : state.contracts) {
        if (contract.protocolFile.empty()) continue;
        auto [at, added] = documents.try_emplace(contract.protocolFile);
        if (added) at->second = ReadDocument(contract.protocolFile);
        replica.setDownload(SyntheticProtocolUid(contract), at->second);
    }
}

}  // namespace

SyntheticPortal::SyntheticPortal(PortalReplica& replica, SyntheticPortalConfig config)
    : replica_(replica), state_(std::make_shared<State>()) {
    state_->contracts = GenerateSyntheticContracts(config);
    state_->maxPagesShown = std::max(1, config.maxPagesShown);
    state_->ignoreSupplierFilter = config.ignoreSupplierFilter;
    BuildIndexes(*state_);
    for (PortalRegistry registry : {PortalRegistry::Contracts44, PortalRegistry::CapitalRepairs,
                                    PortalRegistry::Contracts223}) {
        InstallSearch(replica, state_, registry);
    }
    InstallCards(replica, state_);
    InstallFollowUps(replica, state_);
    InstallProtocols(replica, *state_);
}

SyntheticPortal::~SyntheticPortal() = default;

const std::vector<SyntheticContract>& SyntheticPortal::contracts() const {
    return state_->contracts;
}

std::vector<const SyntheticContract*> SyntheticPortal::contractsOf(PortalRegistry registry) const {
    return state_->listed[IndexOf(registry)];
}

std::string SyntheticPortal::cardUrl(const SyntheticContract& contract) const {
    return replica_.baseUrl() + contract.cardPath;
}

std::size_t SyntheticPortal::requestCount(const std::string& path) const {
    std::lock_guard guard(state_->lock);
    const auto found = state_->requests.find(path);
    return found == state_->requests.end() ? 0 : found->second;
}

std::vector<const SyntheticContract*> SyntheticPortal::contractsInStages(
    const std::vector<int>& stages) const {
    std::vector<const SyntheticContract*> found;
    for (const SyntheticContract& contract : state_->contracts) {
        if (InSearchedStages(contract, stages)) found.push_back(&contract);
    }
    return found;
}

SupplierSearchTruth SyntheticPortal::supplierSearch(const std::string& inn,
                                                    const std::vector<int>& stages) const {
    SupplierSearchTruth truth;
    for (const SyntheticContract* contract : contractsInStages(stages)) {
        const auto& stored = contract->expectedInns;
        if (SupplierFilterMatches(*contract, inn))
            truth.found.push_back(contract);
        else if (std::find(stored.begin(), stored.end(), inn) != stored.end())
            truth.protocolOnly.push_back(contract);
    }
    return truth;
}

void SyntheticPortal::setIgnoreSupplierFilter(bool ignore) {
    state_->ignoreSupplierFilter = ignore;
}
