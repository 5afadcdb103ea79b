// Every card handler of the dispatch table on arbitrary page text, with a
// local queue and a store that only records what it is handed.
// Input: handler selector, encoding selector, then page, address, carried
// card address and notice document key lines (one per line) separated by
// 0x1F. Handlers: 0 44-FZ card, 1 capital-repair card, 2 223-FZ card,
// 3 223-FZ notice, 4 notice documents, 5 223-FZ supplier list, 6 a converted
// download (the page text is then the INNs the conversion found, joined with
// ","; the conversion itself, with its external programs, is not run here).
// Missing fields (an empty address too) get what a real run hands that handler.
#include "cards/CardHandlerTable.h"
#include "fetch/JobString.h"
#include "fuzz/FuzzInput.h"
#include "store/ContractSink.h"

#include <array>

namespace {

// Counts what a handler hands to the store; every address counts as stored,
// so the links of follow-up pages are made.
class RecordingSink : public ContractSink {
public:
    bool isUrlStored(const QString& url) override { return !url.isEmpty(); }
    void storeContract(const QString& url, const QString&, const QString&, const QString&,
                       const QString&) override {
        ++stored;
        FUZZ_CHECK(!url.isEmpty());
    }
    void replaceContract(const QString& url, const QString&, const QString&, const QString&,
                         const QString&, const QStringList& inns) override {
        ++stored;
        FUZZ_CHECK(!url.isEmpty());
        linked += inns.size();
    }
    void linkInnsToUrl(const QString& url, const QStringList& inns) override {
        FUZZ_CHECK(!url.isEmpty());
        linked += inns.size();
    }

    int stored = 0;
    qsizetype linked = 0;
};

struct Route {
    PageHandler CardHandlers::*handler;
    int kind;
    const char16_t* url;
};

const QString kCard223 =
    QStringLiteral("https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=15021900");

const std::array<Route, 7> kRoutes{{
    {&CardHandlers::card44, PageKindContractCard,
     u"https://zakupki.gov.ru/epz/contract/contractCard/"
     u"common-info.html?reestrNumber=1770000000024000001"},
    {&CardHandlers::cardCapitalRepair, PageKindContractCard,
     u"https://zakupki.gov.ru/epz/contractfz615/card/general-info.html?id=77"},
    {&CardHandlers::card223, PageKindContractCard,
     u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=15021900"},
    {&CardHandlers::notice223, PageKindNotice223,
     u"https://zakupki.gov.ru/epz/order/notice/notice223/"
     u"common-info.html?purchaseNoticeNumber=32413000002"},
    {&CardHandlers::noticeDocuments223, PageKindNoticeDocuments,
     u"https://zakupki.gov.ru/epz/order/notice/notice223/"
     u"documents.html?noticeInfoId=17000123&amp;purchaseNoticeNumber=32413000002"},
    {&CardHandlers::supplierList223, PageKindSupplierList223,
     u"https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=15021900"},
    {&CardHandlers::documentInns, PageKindDownload,
     u"https://zakupki.gov.ru/223/purchase/public/download/download.html?id=900020"},
}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CardHandlers handlers = MakeCardHandlers();
    const fuzz::Input input = fuzz::ReadInput(data, size, 2, 4);
    const Route& route = kRoutes[fuzz::Choice(input.selectors[0], int(kRoutes.size()))];
    const PageHandler& handler = handlers.*route.handler;
    FUZZ_CHECK(handler);

    // A job always has an address; an empty field stands for the usual one.
    QString url = input.field(1);
    if (url.isEmpty()) url = QString::fromUtf16(route.url);
    const FinishedJob job{route.kind, url, input.field(2, kCard223), input.field(0),
                          QStringLiteral("успешно")};
    NoticeDocumentKeys noticeDocumentKeys(input.field(3).split(u'\n', Qt::SkipEmptyParts));
    noticeDocumentKeys.append(QStringLiteral("32413000002=32413000002-02"));

    JobQueue queue;
    int progressBarMax = 0;
    int tendersCounter = 0;
    bool splitStarted = false;
    RecordingSink sink;
    qsizetype logLines = 0;
    HandlerContext context{queue,
                           progressBarMax,
                           tendersCounter,
                           splitStarted,
                           noticeDocumentKeys,
                           sink,
                           [&logLines](const QString&) { ++logLines; },
                           [] {},
                           QDate(2024, 3, 25)};
    handler(context, job);

    // Follow-ups are portal pages of the kind their handler expects, queued once each.
    FUZZ_CHECK(progressBarMax == queue.addedCount());
    for (const QString& queued : queue.jobs()) {
        const int kind = PageKindOfUrl(SplitJobString(queued).url);
        FUZZ_CHECK(kind >= PageKindNotice223 && kind <= PageKindDownload);
    }
    return 0;
}
