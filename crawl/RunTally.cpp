#include "crawl/RunTally.h"

#include "crawl/PortalSearch.h"
#include "fetch/JobString.h"

namespace {

// Indexes of RunSummary::registries.
constexpr int k44 = 0;
constexpr int k223 = 1;
constexpr int kCapital = 2;

// The kinds of page a layout change can break, each with its own markers.
enum class PageFamily {
    None,
    SearchResults,
    Card44,
    CardCapitalRepair,
    Card223,
    Notice223,
    NoticeDocuments223,
    SupplierList223,
    Download
};

// Genitive plural, as the layout warning names them.
QString FamilyName(PageFamily family) {
    switch (family) {
        case PageFamily::SearchResults:
            return QStringLiteral("страниц результатов поиска");
        case PageFamily::Card44:
            return QStringLiteral("карточек контрактов 44-ФЗ");
        case PageFamily::CardCapitalRepair:
            return QStringLiteral("карточек договоров капремонта");
        case PageFamily::Card223:
            return QStringLiteral("карточек договоров 223-ФЗ");
        case PageFamily::Notice223:
            return QStringLiteral("извещений о закупке 223-ФЗ");
        case PageFamily::NoticeDocuments223:
            return QStringLiteral("страниц документов извещений 223-ФЗ");
        case PageFamily::SupplierList223:
            return QStringLiteral("страниц сведений о поставщиках 223-ФЗ");
        case PageFamily::Download:
        case PageFamily::None:
            break;
    }
    return {};
}

// By the page kind, and for a card by its address, as the handlers are chosen.
PageFamily FamilyOf(const FinishedJob& job) {
    switch (job.kind) {
        case PageKindResultList:
            return PageFamily::SearchResults;
        case PageKindContractCard:
            if (const auto registry = CardRegistryOf(job.url)) {
                switch (*registry) {
                    case PortalRegistry::Contracts44:
                        return PageFamily::Card44;
                    case PortalRegistry::CapitalRepairs:
                        return PageFamily::CardCapitalRepair;
                    case PortalRegistry::Contracts223:
                        return PageFamily::Card223;
                }
            }
            return PageFamily::None;
        case PageKindNotice223:
            return PageFamily::Notice223;
        case PageKindNoticeDocuments:
            return PageFamily::NoticeDocuments223;
        case PageKindSupplierList223:
            return PageFamily::SupplierList223;
        case PageKindDownload:
            return PageFamily::Download;
        default:
            return PageFamily::None;
    }
}

int RegistryIndex(PageFamily family, const QString& url) {
    switch (family) {
        case PageFamily::SearchResults:
            if (const auto registry = RegistryOfAddress(url)) {
                switch (*registry) {
                    case PortalRegistry::Contracts44:
                        return k44;
                    case PortalRegistry::CapitalRepairs:
                        return kCapital;
                    case PortalRegistry::Contracts223:
                        return k223;
                }
            }
            return -1;
        case PageFamily::Card44:
            return k44;
        case PageFamily::CardCapitalRepair:
            return kCapital;
        case PageFamily::None:
            return -1;
        default:
            return k223;  // the follow-ups of 223-FZ cards
    }
}

}  // namespace

// A result page read but not handled loses its cards as a page given up does.
void RunTally::noteSearchPageLost(const QString& url) {
    const int index = RegistryIndex(PageFamily::SearchResults, url);
    if (index < 0 || m_lostSearchPages.contains(url)) return;
    m_lostSearchPages.insert(url);
    ++m_registries[static_cast<std::size_t>(index)].searchesUnread;
    if (m_unreadAddresses.size() < kUnreadNamed) m_unreadAddresses << url;
}

bool IsMissingPartLine(const QString& text) {
    return text.startsWith(u"Ошибка?") && !text.startsWith(u"Ошибка? Недопустимая ссылка") &&
           !text.startsWith(u"Ошибка? URL не найден в базе");
}

// A failed job (page kind -1) was given up by its worker after its last attempt. Its
// registry is that of its address, or for a follow-up page that of the card it belongs to.
void RunTally::noteUnread(const FinishedJob& job) {
    const int kind = PageKindOfUrl(job.url);
    int index = -1;
    if (kind == PageKindResultList) {
        index = RegistryIndex(PageFamily::SearchResults, job.url);
    } else {
        const QString card = kind == PageKindContractCard ? job.url : job.canonical;
        index = RegistryIndex(FamilyOf(FinishedJob{PageKindContractCard, card, {}, {}, {}}), card);
        if (index < 0 && kind != PageKindContractCard) index = k223;
    }
    if (index < 0) return;
    RegistryFigures& figures = m_registries[static_cast<std::size_t>(index)];
    if (kind == PageKindResultList)
        ++figures.searchesUnread;
    else if (kind == PageKindContractCard)
        ++figures.cardsUnread;
    else
        ++figures.followUpsUnread;
    if (m_unreadAddresses.size() < kUnreadNamed) m_unreadAddresses << job.url;
}

QString RunTally::noteJob(const FinishedJob& job, bool lackedPart, int stored,
                          DocumentInnsResult::Source source) {
    if (job.kind == PageKindFailed) {
        noteUnread(job);
        return {};
    }
    const PageFamily family = FamilyOf(job);
    const int index = RegistryIndex(family, job.url);
    if (index < 0) return {};
    RegistryFigures& figures = m_registries[static_cast<std::size_t>(index)];
    figures.cardsStored += stored;
    if (lackedPart) ++figures.pagesLackingParts;
    if (family == PageFamily::SearchResults) ++figures.searchesRead;
    if (job.kind == PageKindContractCard) ++figures.cardsRead;
    if (family == PageFamily::Download) {
        if (source == DocumentInnsResult::TextLayer) ++figures.documentsByTextLayer;
        if (source == DocumentInnsResult::Ocr) ++figures.documentsByOcr;
        return {};  // a document has no layout of the portal's
    }
    const LayoutDriftWatch::Drift drift = m_drift.note(static_cast<int>(family), lackedPart);
    return drift.due ? LayoutDriftWarning(FamilyName(family), drift, job.url) : QString();
}
