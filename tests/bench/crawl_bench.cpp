#include "crawl/ResultList.h"

#include <benchmark/benchmark.h>

#include <QString>

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

}  // namespace

BENCHMARK_MAIN();
