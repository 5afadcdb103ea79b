// Handler cost per page: the result list, and each card handler on its committed card page as
// it is and inside ~120 KB of a portal page's neutral markup (menus, scripts), with the store
// operations recorded in memory, so that the store is not measured here (store_bench is).
#include "cards/CardHandlerTable.h"
#include "crawl/ResultList.h"
#include "store/ContractSink.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QString>
#include <QStringList>

namespace {

// A 50-entry result page in the portal's markup: indented blocks, no-break
// spaces in the total and prices, quotes as references, relative and absolute
// card links, the page links with the next-page arrow.
QString fiftyEntryPage() {
    const QString entry = QStringLiteral(
        "\n        <div class=\"search-registry-entry-block box-shadow-search-input\">\n"
        "            <div class=\"row no-gutters registry-entry__form mr-0\">\n"
        "                <div class=\"registry-entry__header-top__title text-truncate\">\n"
        "                   44-ФЗ\n                   Исполнение\n                </div>\n"
        "                <div class=\"registry-entry__header-mid__number\">\n"
        "                    <a target=\"_blank\" href=\"%1/epz/contract/contractCard/"
        "common-info.html?reestrNumber=%2\">\n                        № %2\n"
        "                    </a>\n                </div>\n"
        "                <div class=\"registry-entry__body-href\">\n"
        "                    <a target=\"_blank\" href=\"/epz/organization/view/info.html?"
        "organizationCode=03382000022\">\n"
        "                        ГБУЗ &#034;КРАЕВОЙ ДИСПАНСЕР&#034;\n                    </a>\n"
        "                </div>\n"
        "                <div class=\"price-block__value\">\n"
        "                    262&nbsp;512,00 ₽\n                </div>\n"
        "                <div class=\"data-block__value\">05.08.2023</div>\n"
        "            </div>\n        </div>\n");
    QString page = QStringLiteral(
        "<html><body><div class=\"search-results__total\">\n            \n"
        "                12&nbsp;345 записей\n            \n    </div>\n"
        "<div class=\"search-registry-entrys-block\">\n");
    for (int i = 0; i < 50; ++i)
        page += entry.arg(i % 2 ? QStringLiteral("https://zakupki.gov.ru") : QString())
                    .arg(2410104019823000000LL + i);
    return page + QStringLiteral(
                      "</div>\n<div class=\"paginator\"><ul class=\"pages\">\n"
                      "<li class=\"page\"><a class=\"page__link page__link_active\" "
                      "href=\"javascript:goToPage(3)\">3</a></li>\n"
                      "<li class=\"page\"><a class=\"page__link\" "
                      "href=\"javascript:goToPage(4)\">4</a></li>\n</ul>\n"
                      "<a class=\"paginator-button paginator-button-next\">"
                      "<img src=\"/epz/static/img/icons/arrow-prime.svg\" alt=\"\"></a>\n"
                      "</div></body></html>\n");
}

// A later page of a search: every entry is walked and the next page is taken.
void BM_ParseResultList50(benchmark::State& state) {
    const QString page = fiftyEntryPage();
    const QString url =
        NextPageAddress(BuildStartAddress(PortalRegistry::Contracts44, QStringLiteral("01.01.2023"),
                                          QStringLiteral("31.12.2023")),
                        QStringLiteral("3"));
    for (auto _ : state) {
        JobQueue queue;
        int progressBarMax = 0;
        int tendersCounter = 0;
        bool splitStarted = false;
        ResultListContext ctx{
            queue,        progressBarMax,        tendersCounter,
            splitStarted, [](const QString&) {}, [](const QString&) { return false; },
            [] {},        QDate(2024, 3, 15)};
        ParseResultList(ctx, url, page);
        if (queue.size() != 51) state.SkipWithError("unexpected job count");
        benchmark::DoNotOptimize(queue);
    }
    state.SetItemsProcessed(state.iterations());  // pages per second
}
BENCHMARK(BM_ParseResultList50)->Unit(benchmark::kMicrosecond);

// The store operations a handler calls, kept in memory; every carried card counts as stored.
class MemorySink : public ContractSink {
public:
    bool isUrlStored(const QString&) override { return true; }
    void storeContract(const QString& url, const QString& subject, const QString& amount,
                       const QString& conclusion, const QString& execution) override {
        record(QStringList{QStringLiteral("store"), url, subject, amount, conclusion, execution});
    }
    void replaceContract(const QString& url, const QString& subject, const QString& amount,
                         const QString& conclusion, const QString& execution,
                         const QStringList& inns) override {
        record(QStringList{QStringLiteral("replace"), url, subject, amount, conclusion, execution} +
               inns);
    }
    void linkInnsToUrl(const QString& url, const QStringList& inns) override {
        record(QStringList{QStringLiteral("link"), url} + inns);
    }

    QStringList operations;

private:
    void record(const QStringList& operation) { operations += operation; }
};

// What one handler run did: the store operations, the queued jobs and the log.
QStringList runHandler(const PageHandler& handler, const FinishedJob& job,
                       const QStringList& documentKeys) {
    JobQueue queue;
    int progressBarMax = 0;
    int tendersCounter = 0;
    bool splitStarted = false;
    NoticeDocumentKeys keys = documentKeys;
    MemorySink sink;
    QStringList log;
    HandlerContext context{queue,
                           progressBarMax,
                           tendersCounter,
                           splitStarted,
                           keys,
                           sink,
                           [&log](const QString& text) { log.append(text); },
                           [] {},
                           QDate(2024, 3, 25)};
    handler(context, job);
    return sink.operations + QStringList(queue.jobs().begin(), queue.jobs().end()) + log;
}

QString cardPage(const QString& fixture) {
    QFile file(QStringLiteral(CF_TEST_DATA_DIR "/cards/") + fixture);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The page with ~60 KB of a portal page's menus and scripts after <body> and another ~60 KB
// before </body>: text the handlers' markers never match.
QString paddedPage(const QString& page) {
    QString menu = QStringLiteral("<nav class=\"navigation\"><ul class=\"navigation__list\">\n");
    for (int i = 0; menu.size() < 30000; ++i) {
        menu += QStringLiteral(
                    "    <li class=\"navigation__item\"><a class=\"navigation__link\" "
                    "href=\"/epz/main/public/section.html?id=%1\">Раздел портала № %1</a></li>\n")
                    .arg(i);
    }
    menu += QStringLiteral("</ul></nav>\n<script type=\"text/javascript\">\n");
    for (int i = 0; menu.size() < 60000; ++i) {
        menu += QStringLiteral("    window.portalSettings.push({key: 'setting%1', value: %1});\n")
                    .arg(i);
    }
    menu += QStringLiteral("</script>\n");
    QString padded = page;
    const qsizetype body = padded.indexOf(QStringLiteral("<body"));
    padded.insert(padded.indexOf(u'>', body) + 1, QLatin1Char('\n') + menu);
    padded.insert(padded.lastIndexOf(QStringLiteral("</body>")), menu);
    return padded;
}

struct CardCase {
    PageHandler CardHandlers::*handler;
    const char* url;
    const char* canonical;  // the card a follow-up page carries
    const char* fixture;
    QStringList documentKeys;
};

const char* const kCard223 =
    "https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=15021900";

// range(0): 0 the committed page as it is, 1 inside a portal page's neutral markup.
void runCardCase(benchmark::State& state, const CardCase& c) {
    const PageHandler handler = MakeCardHandlers().*c.handler;
    const QString page = cardPage(QString::fromLatin1(c.fixture));
    if (page.isEmpty()) {
        state.SkipWithError("cannot read the card page");
        return;
    }
    const FinishedJob job{2, QString::fromLatin1(c.url), QString::fromLatin1(c.canonical),
                          state.range(0) ? paddedPage(page) : page, QStringLiteral("успешно")};
    // The padding must change nothing the handler does.
    const QStringList expected =
        runHandler(handler, {2, job.url, job.canonical, page, {}}, c.documentKeys);
    if (expected.isEmpty() || runHandler(handler, job, c.documentKeys) != expected) {
        state.SkipWithError("the handler read the page differently");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(runHandler(handler, job, c.documentKeys));
    state.SetItemsProcessed(state.iterations());  // pages per second
    const auto utf8Bytes = job.html.toUtf8().size();
    state.SetBytesProcessed(state.iterations() * utf8Bytes);
    state.counters["page_KB"] = utf8Bytes / 1024.0;
}

void BM_Card44(benchmark::State& state) {
    runCardCase(state, {&CardHandlers::card44,
                        "https://zakupki.gov.ru/epz/contract/contractCard/"
                        "common-info.html?reestrNumber=2770123456724000001",
                        "",
                        "card44_two_suppliers.html",
                        {}});
}
BENCHMARK(BM_Card44)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_CardCapitalRepair(benchmark::State& state) {
    runCardCase(state, {&CardHandlers::cardCapitalRepair,
                        "https://zakupki.gov.ru/epz/contractfz615/card/general-info.html?id=77",
                        "",
                        "capital_repair_card.html",
                        {}});
}
BENCHMARK(BM_CardCapitalRepair)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A 223-FZ card leading to its purchase notice (with the attachment key of its protocol).
void BM_Card223Notice(benchmark::State& state) {
    runCardCase(state, {&CardHandlers::card223, kCard223, "", "card223_notice_link.html", {}});
}
BENCHMARK(BM_Card223Notice)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A 223-FZ card leading to its supplier list.
void BM_Card223SupplierLink(benchmark::State& state) {
    runCardCase(state,
                {&CardHandlers::card223, kCard223, "", "card223_supplier_list_link.html", {}});
}
BENCHMARK(BM_Card223SupplierLink)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SupplierList223(benchmark::State& state) {
    runCardCase(state, {&CardHandlers::supplierList223,
                        "https://zakupki.gov.ru/epz/contractfz223/card/supplier-info.html?id=1",
                        kCard223,
                        "supplier223_inn_third_column.html",
                        {}});
}
BENCHMARK(BM_SupplierList223)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_Notice223(benchmark::State& state) {
    runCardCase(state, {&CardHandlers::notice223,
                        "https://zakupki.gov.ru/epz/order/notice/notice223/"
                        "common-info.html?purchaseNoticeNumber=32413000002",
                        kCard223,
                        "notice223_documents_link.html",
                        {}});
}
BENCHMARK(BM_Notice223)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_NoticeDocuments223(benchmark::State& state) {
    runCardCase(state,
                {&CardHandlers::noticeDocuments223,
                 "https://zakupki.gov.ru/epz/order/notice/notice223/"
                 "documents.html?noticeInfoId=17000123&amp;purchaseNoticeNumber=32413000002",
                 kCard223,
                 "notice223_documents_protocol_keys.html",
                 {QStringLiteral("32413000000=x"), QStringLiteral("32413000002=32413000002-02")}});
}
BENCHMARK(BM_NoticeDocuments223)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
