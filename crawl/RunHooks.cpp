#include "crawl/RunHooks.h"

#include "fetch/JobString.h"

EReportStageError::EReportStageError(const QString& message, QStringList reportFiles)
    : EGeneralError(message), m_reportFiles(std::move(reportFiles)) {}

ChosenHandler ChooseCardHandler(const CardHandlers& handlers, const FinishedJob& job) {
    switch (job.kind) {
        case PageKindContractCard:
            // The card's registry, by the first of these its address contains.
            if (job.url.contains(u"contractCard/common-info.html?")) {
                return {&handlers.card44, "ParseCard44"};
            }
            if (job.url.contains(u"general-info.html?")) {
                return {&handlers.cardCapitalRepair, "ParseCardCapitalRepair"};
            }
            if (job.url.contains(u"contract-info.html?")) {
                return {&handlers.card223, "ParseCard223"};
            }
            return {};
        case PageKindNotice223:
            return {&handlers.notice223, "ParseNotice223"};
        case PageKindNoticeDocuments:
            return {&handlers.noticeDocuments223, "ParseNoticeDocuments223"};
        case PageKindSupplierList223:
            return {&handlers.supplierList223, "ParseSupplierList223"};
        case PageKindDownload:
            if (job.statusText != u"успешно") return {};
            return {&handlers.documentInns, "ApplyDocumentInns"};
        default:
            return {};
    }
}
