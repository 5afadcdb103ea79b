#include "app/PageInspection.h"

#include "cards/CardHandlerTable.h"
#include "crawl/ResultList.h"
#include "crawl/RunHooks.h"
#include "fetch/DownloadedDocument.h"
#include "fetch/JobString.h"
#include "platform/ExternalPrograms.h"
#include "store/ContractSink.h"
#include "text/DocumentInns.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

#include <QDir>

namespace {

// Records what a handler would store. Only the card the inspected page
// belongs to counts as stored, as it is in a run by the time its follow-up
// pages come back, so that a supplier page or a document shows the INNs it
// would link; every other card is new, so that a result page shows its cards.
class RecordingSink : public ContractSink {
public:
    RecordingSink(PageInspection& out, QString storedCard)
        : m_out(out), m_storedCard(std::move(storedCard)) {}

    bool isUrlStored(const QString& url) override {
        return !m_storedCard.isEmpty() && url == m_storedCard;
    }
    void storeContract(const QString& url, const QString& subject, const QString& amount,
                       const QString& conclusion, const QString& execution) override {
        record(QStringLiteral("StoreContract"), {url, subject, amount, conclusion, execution, {}});
    }
    void replaceContract(const QString& url, const QString& subject, const QString& amount,
                         const QString& conclusion, const QString& execution,
                         const QStringList& inns) override {
        record(QStringLiteral("ReplaceContract"),
               {url, subject, amount, conclusion, execution, inns});
    }
    void linkInnsToUrl(const QString& url, const QStringList& inns) override {
        record(QStringLiteral("LinkInnsToUrl"), {url, {}, {}, {}, {}, inns});
    }

private:
    void record(const QString& operation, InspectedContract contract) {
        m_out.storeOperation = operation;
        m_out.contract = std::move(contract);
    }

    PageInspection& m_out;
    QString m_storedCard;
};

std::optional<qint64> recordCountOf(const QString& html) {
    if (html.contains(u">Поиск не дал результатов<")) return std::nullopt;
    const QString total = ExtractBetween(html, u"search-results__total\">", u"", u" запис");
    if (total.isEmpty()) return std::nullopt;
    return ReadRecordCount(HtmlToText(total));
}

void inspectDocument(PageInspection& out, const QString& documentPath) {
    out.isDocument = true;
    const QString programDir = QDir::currentPath() + QLatin1Char('/');
    const DocumentInnsResult found = FindDocumentInnsDetailed(
        documentPath, ConverterPath(programDir, QStringLiteral("pdftotext")),
        ConverterPath(programDir, QStringLiteral("pdftoppm")), FindOcrEngine());
    out.documentInns = found.inns;
    if (found.inns.isEmpty() && !found.failure.isEmpty())
        out.log << QStringLiteral("документ не прочитан: ") + found.failure;
    if (!found.cut.isEmpty()) out.log << QStringLiteral("прочитано не всё: ") + found.cut;
    if (found.source == DocumentInnsResult::TextLayer) out.documentSource = QStringLiteral("text");
    if (found.source == DocumentInnsResult::Ocr) out.documentSource = QStringLiteral("ocr");
}

}  // namespace

PageInspection InspectPage(const QString& job, const QByteArray& content,
                           const QString& documentPath) {
    PageInspection out;
    const SplitJob split = SplitJobString(job);
    out.kind = PageKindOfUrl(split.url);
    FinishedJob finished{out.kind, split.url, split.canonical, QString::fromUtf8(content),
                         QStringLiteral("успешно")};
    // A follow-up page saved without the card it belongs to stands for its own card.
    const bool followUp = out.kind >= PageKindNotice223 && out.kind <= PageKindDownload;
    if (followUp && finished.canonical.isEmpty()) finished.canonical = finished.url;
    if (out.kind == PageKindDownload) {
        inspectDocument(out, documentPath);
        finished.html = out.documentInns.join(QLatin1Char(','));
    }

    JobQueue queue;
    queue.onAdded = [&out](const QString& added, bool atHead) {
        out.queued.push_back({added, atHead});
    };
    int progressMax = 0;
    int counter = 0;
    bool splitStarted = false;
    NoticeDocumentKeys keys;
    RecordingSink sink(out, followUp ? finished.canonical : QString());
    HandlerContext context{queue,
                           progressMax,
                           counter,
                           splitStarted,
                           keys,
                           sink,
                           [&out](const QString& text) { out.log << text; },
                           [] {},
                           QDate::currentDate()};
    if (out.kind == PageKindResultList) {
        out.handler = QStringLiteral("ParseResultList");
        ResultListContext list{
            queue,        progressMax,        counter,
            splitStarted, context.addLogLine, [](const QString&) { return false; },
            [] {},        context.today};
        ParseResultList(list, finished.url, finished.html);
        out.recordCount = recordCountOf(finished.html);
        out.split = splitStarted;
        return out;
    }
    const CardHandlers handlers = MakeCardHandlers();
    const ChosenHandler chosen = ChooseCardHandler(handlers, finished);
    if (chosen.handler && *chosen.handler) {
        out.handler = QString::fromLatin1(chosen.name);
        (*chosen.handler)(context, finished);
    }
    return out;
}
