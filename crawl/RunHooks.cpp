#include "crawl/RunHooks.h"

#include "fetch/JobString.h"

EReportStageError::EReportStageError(const QString& message, QStringList reportFiles)
    : EGeneralError(message), m_reportFiles(std::move(reportFiles)) {}

ChosenHandler ChooseCardHandler(const CardHandlers& handlers, const FinishedJob& job) {
    switch (job.kind) {
        case PageKindContractCard:
            if (const auto registry = CardRegistryOf(job.url)) {
                switch (*registry) {
                    case PortalRegistry::Contracts44:
                        return {&handlers.card44, "ParseCard44"};
                    case PortalRegistry::CapitalRepairs:
                        return {&handlers.cardCapitalRepair, "ParseCardCapitalRepair"};
                    case PortalRegistry::Contracts223:
                        return {&handlers.card223, "ParseCard223"};
                }
            }
            return {};
        case PageKindNotice223:
            return {&handlers.notice223, "ParseNotice223"};
        case PageKindNoticeDocuments:
            return {&handlers.noticeDocuments223, "ParseNoticeDocuments223"};
        case PageKindSupplierList223:
            return {&handlers.supplierList223, "ParseSupplierList223"};
        case PageKindDownload:
            if (!job.statusText.startsWith(u"успешно")) return {};
            return {&handlers.documentInns, "ApplyDocumentInns"};
        default:
            return {};
    }
}

std::optional<PortalRegistry> CardRegistryOf(const QString& url) {
    if (url.contains(u"contractCard/common-info.html?")) return PortalRegistry::Contracts44;
    if (url.contains(u"general-info.html?")) return PortalRegistry::CapitalRepairs;
    if (url.contains(u"contract-info.html?")) return PortalRegistry::Contracts223;
    return std::nullopt;
}
