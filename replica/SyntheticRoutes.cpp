#include "replica/SyntheticRoutes.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

constexpr const char* kScanned = "protocol_scanned.pdf";
constexpr std::array kTextLayer = {"protocol_text_labelled.pdf", "protocol_text_free_standing.pdf",
                                   "protocol_multipage.pdf"};

// The 223-FZ routes in the order they take turns.
constexpr std::array kTurns = {SyntheticRoute::SupplierList, SyntheticRoute::Protocol,
                               SyntheticRoute::SupplierList, SyntheticRoute::Protocol,
                               SyntheticRoute::PlanPosition};

std::string IsoDate(const QDate& day) {
    return day.toString(u"yyyy-MM-dd").toStdString();
}

// An eleven-digit notice number from the card's id, so it is unique as the id is.
std::string NoticeNumber(const SyntheticContract& contract) {
    return "324" + contract.cardPath.substr(contract.cardPath.rfind('=') + 1);
}

// The subject as the card handlers store it: value cleaning takes a "<" (shown escaped on the
// card) for the start of a tag, which runs to the next ">" or else to the end of the text.
std::string CleanedSubject(const std::string& subject) {
    std::string text;
    for (std::size_t at = 0; at < subject.size(); ++at) {
        if (subject[at] != '<') {
            text += subject[at];
            continue;
        }
        at = subject.find('>', at);
        if (at == std::string::npos) break;
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

}  // namespace

const char* SyntheticRouteName(SyntheticRoute route) {
    switch (route) {
        case SyntheticRoute::Card:
            return "Card";
        case SyntheticRoute::SupplierList:
            return "SupplierList";
        case SyntheticRoute::Protocol:
            return "Protocol";
        case SyntheticRoute::ScannedProtocol:
            return "ScannedProtocol";
        case SyntheticRoute::PlanPosition:
            return "PlanPosition";
    }
    return "?";
}

std::vector<std::string> ProtocolFixtureInns(const std::string& file) {
    // What tests/data/documents/make_fixtures.sh writes into each protocol.
    static const std::map<std::string, std::vector<std::string>> kInns = {
        {"protocol_text_labelled.pdf", {"500100732259", "7701234567"}},
        {"protocol_text_free_standing.pdf", {"502900112233", "7705123456"}},
        {"protocol_multipage.pdf", {"500100732259", "7701234567"}},
        {"protocol_scanned.pdf", {"502900112233", "7705123456"}},
    };
    const auto found = kInns.find(file);
    return found == kInns.end() ? std::vector<std::string>() : found->second;
}

void AssignSyntheticRoutes(std::vector<SyntheticContract>& contracts,
                           const SyntheticPortalConfig& config) {
    std::size_t turn = config.seed % kTurns.size();
    int scanned = 0;
    std::size_t textLayer = 0;
    for (std::size_t i = 0; i < contracts.size(); ++i) {
        SyntheticContract& contract = contracts[i];
        contract.executionEnd = contract.concluded.addDays(30 + static_cast<qint64>(i * 53 % 330));
        contract.expectedSubject = CleanedSubject(contract.subject);
        contract.expectedAmount = static_cast<double>(contract.price);
        contract.expectedConclusion = IsoDate(contract.concluded);
        contract.expectedExecution = IsoDate(contract.executionEnd);
        if (contract.registry == PortalRegistry::CapitalRepairs) contract.inns.resize(1);
        if (contract.registry != PortalRegistry::Contracts223) {
            contract.route = SyntheticRoute::Card;
            contract.offPortalLink = config.hostileLinks &&
                                     contract.registry == PortalRegistry::Contracts44 &&
                                     i % 40 == 17;
        } else {
            contract.route = kTurns[turn++ % kTurns.size()];
            contract.noticeNumber = NoticeNumber(contract);
        }
        if (contract.route == SyntheticRoute::Protocol) {
            if (scanned < config.ocrContracts) {
                contract.route = SyntheticRoute::ScannedProtocol;
                contract.protocolFile = kScanned;
                ++scanned;
            } else {
                contract.protocolFile = kTextLayer[textLayer % kTextLayer.size()];
                contract.traversalUid = config.hostileLinks && textLayer % 2 == 1;
                ++textLayer;
            }
            contract.inns = ProtocolFixtureInns(contract.protocolFile);
        }
        if (contract.route != SyntheticRoute::PlanPosition) {
            contract.expectedInns = contract.inns;
            std::sort(contract.expectedInns.begin(), contract.expectedInns.end());
            contract.expectedInns.erase(
                std::unique(contract.expectedInns.begin(), contract.expectedInns.end()),
                contract.expectedInns.end());
        }
    }
}
