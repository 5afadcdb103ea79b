#include "replica/SyntheticCardMarkup.h"

#include "replica/CardMarkup.h"
#include "replica/SyntheticContracts.h"

namespace {

std::string DayText(const QDate& day) {
    return day.toString(u"dd.MM.yyyy").toStdString();
}

CardMarkupValues ValuesOf(const SyntheticContract& contract) {
    CardMarkupValues values;
    values.subject = contract.subject;
    values.amountText = CardPriceText(contract.price, 0);
    values.conclusionDate = DayText(contract.concluded);
    values.executionDate = DayText(contract.executionEnd);
    values.inns = contract.inns;
    for (const std::string& inn : contract.inns)
        values.supplierNames.push_back(SyntheticSupplierName(inn));
    values.customer = SyntheticCustomerName(contract);
    values.customerInn = contract.customerInn;
    return values;
}

std::string LinkBase(const SyntheticContract& contract, const std::string& baseUrl) {
    return contract.absoluteLink ? baseUrl : std::string();
}

// The key of the contract's protocol, which its card names as the basis of the contract.
std::string ProtocolKey(const SyntheticContract& contract) {
    return contract.noticeNumber + "-02";
}

std::string DownloadLink(const std::string& base, const std::string& uid) {
    return base + "/download/download.html?uid=" + uid;
}

Card223Links LinksOf(const SyntheticContract& contract, const std::string& baseUrl) {
    Card223Links links;
    links.executionStart = DayText(contract.concluded);
    links.basisName = "Протокол подведения итогов № " + ProtocolKey(contract);
    // Some cards give the key in the fourth cell as well; the handler takes either.
    if (contract.absoluteLink) links.basisNumber = ProtocolKey(contract);
    switch (contract.route) {
        case SyntheticRoute::SupplierList:
            links.supplierListQuery =
                "?id=" + SyntheticContractNumber(contract) + "&amp;viewMode=FULL";
            break;
        case SyntheticRoute::Protocol:
        case SyntheticRoute::ScannedProtocol:
            links.noticeLink = LinkBase(contract, baseUrl) + kNoticePath +
                               "?purchaseNoticeNumber=" + contract.noticeNumber;
            break;
        case SyntheticRoute::PlanPosition:
            links.planPosition = true;
            break;
        case SyntheticRoute::Card:
            break;
    }
    return links;
}

}  // namespace

std::string SyntheticCardHtml(const SyntheticContract& contract, const std::string& baseUrl) {
    switch (contract.registry) {
        case PortalRegistry::Contracts44:
            // The portal shows some cards' fields under "</span>" labels.
            return Card44Page(ValuesOf(contract), contract.price % 2 == 0);
        case PortalRegistry::CapitalRepairs:
            return CapitalRepairCardPage(ValuesOf(contract));
        case PortalRegistry::Contracts223:
            break;
    }
    return Card223Page(ValuesOf(contract), LinksOf(contract, baseUrl));
}

std::string SyntheticSupplierListHtml(const SyntheticContract& contract) {
    std::vector<std::string> names;
    for (const std::string& inn : contract.inns)
        names.push_back(SyntheticSupplierName(inn));
    return SupplierList223Page(contract.inns, names);
}

std::string SyntheticNoticeHtml(const SyntheticContract& contract) {
    return Notice223Page("purchaseNoticeNumber=" + contract.noticeNumber +
                         "&amp;noticeInfoId=" + SyntheticContractNumber(contract));
}

std::string SyntheticDocumentsHtml(const SyntheticContract& contract, const std::string& baseUrl) {
    const std::string base = LinkBase(contract, baseUrl);
    const std::string& number = contract.noticeNumber;
    // Uids other than the protocol's are not set: the replica answers them with a PDF naming
    // another INN, so a crawl that takes the wrong attachment shows it.
    return NoticeDocuments223Page({{"Документация к протоколу " + ProtocolKey(contract),
                                    DownloadLink(base, "documentation-" + number)}},
                                  {{"Протокол рассмотрения заявок № " + number + "-01",
                                    DownloadLink(base, "review-" + number)},
                                   {"Протокол подведения итогов № " + ProtocolKey(contract),
                                    DownloadLink(base, SyntheticProtocolUid(contract))}});
}

std::string SyntheticProtocolUid(const SyntheticContract& contract) {
    return (contract.traversalUid ? "../../../../escaped-" : "protocol-") + contract.noticeNumber;
}
