#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

// About 500 KB of markup shaped like a portal result list: indented blocks,
// references, no-break spaces and Cyrillic text.
QString portalLikePage() {
    const QString entry = QStringLiteral(
        "<div class=\"search-registry-entry-block box-shadow-search-input\">\r\n"
        "  <div class=\"registry-entry__header-mid__number\">\r\n"
        "    <a href=\"/epz/contract/contractCard/common-info.html?reestrNumber=%1\""
        " target=\"_blank\">\r\n      № %1\r\n    </a>\r\n  </div>\r\n"
        "  <div class=\"registry-entry__body-value\">Поставка бумаги для офисной техники "
        "&laquo;Снегурочка&raquo; &#034;А4&#034;</div>\r\n"
        "  <div class=\"price-block__value\">1&nbsp;234&nbsp;567,89&nbsp;&#8381;</div>\r\n"
        "</div>\r\n");
    const qsizetype entryBytes = entry.arg(3770000000000LL).toUtf8().size();
    QString page = QStringLiteral("<html><body>\r\n");
    for (qsizetype i = 0; i * entryBytes < 500 * 1024; ++i)
        page += entry.arg(3770000000000LL + i);
    return page + QStringLiteral("<div class=\"paginator\">end</div></body></html>");
}

void setBytes(benchmark::State& state, const QString& page) {
    // Throughput in bytes of the page as the portal sends it (UTF-8).
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.toUtf8().size());
}

void BM_HtmlToText(benchmark::State& state) {
    const QString page = portalLikePage();
    for (auto _ : state)
        benchmark::DoNotOptimize(HtmlToText(page));
    setBytes(state, page);
}
BENCHMARK(BM_HtmlToText)->Unit(benchmark::kMillisecond);

void BM_ExtractBetweenLastMarker(benchmark::State& state) {
    const QString page = portalLikePage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ExtractBetween(page, u"<div class=\"paginator\">", u"", u"</div>"));
    }
    setBytes(state, page);
}
BENCHMARK(BM_ExtractBetweenLastMarker)->Unit(benchmark::kMicrosecond);

void BM_ExtractBetweenEveryEntry(benchmark::State& state) {
    const QString page = portalLikePage();
    for (auto _ : state) {
        // Walks the page entry by entry, the way the result-list reader does.
        QStringView rest(page);
        int found = 0;
        for (;;) {
            const qsizetype at = rest.indexOf(u"registry-entry__header-mid__number");
            if (at < 0) break;
            rest = rest.sliced(at + 10);
            found += !ExtractBetween(rest, u"href=\"", u"", u"\"").isEmpty();
        }
        benchmark::DoNotOptimize(found);
    }
    setBytes(state, page);
}
BENCHMARK(BM_ExtractBetweenEveryEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
