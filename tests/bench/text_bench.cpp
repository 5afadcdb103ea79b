#include "text/DocumentInns.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

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

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// FindDocumentInnsDetailed on a committed protocol PDF, copied into a temporary folder (the
// conversion writes its files beside the document), with the converters found on PATH as a
// worker runs them. Time is wall time: the converters are child processes. Counters: seconds and
// the converters' CPU seconds per PDF page.
void convertDocument(benchmark::State& state, const char* fixture, int pages,
                     DocumentInnsResult::Source expected) {
    QTemporaryDir dir;
    const QString document = dir.filePath(QString::fromLatin1(fixture));
    if (!QFile::copy(QStringLiteral(CF_TEST_DATA_DIR "/documents/") + QString::fromLatin1(fixture),
                     document)) {
        state.SkipWithError("cannot copy the document");
        return;
    }
    const QString textExtractor = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pageRenderer = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    const QString ocrEngine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    const double childCpuBefore = childCpuSeconds();
    for (auto _ : state) {
        const DocumentInnsResult found =
            FindDocumentInnsDetailed(document, textExtractor, pageRenderer, ocrEngine);
        if (found.source != expected || found.inns.isEmpty()) {
            state.SkipWithError("the conversion did not find the INNs where expected");
            return;
        }
    }
    const double pagesDone = static_cast<double>(state.iterations()) * pages;
    state.SetItemsProcessed(state.iterations() * pages);  // pages per second
    state.counters["s_per_page"] = benchmark::Counter(
        pages, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["converter_cpu_s_per_page"] = (childCpuSeconds() - childCpuBefore) / pagesDone;
}

void BM_DocumentTextLayer1Page(benchmark::State& state) {
    convertDocument(state, "protocol_text_labelled.pdf", 1, DocumentInnsResult::TextLayer);
}
BENCHMARK(BM_DocumentTextLayer1Page)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DocumentTextLayer3Pages(benchmark::State& state) {
    convertDocument(state, "protocol_multipage.pdf", 3, DocumentInnsResult::TextLayer);
}
BENCHMARK(BM_DocumentTextLayer3Pages)->Unit(benchmark::kMillisecond)->UseRealTime();

// A scanned page (300 dpi, no text layer): pdftotext finds nothing, then pdftoppm renders the page
// at 300 dpi and tesseract (Russian, one thread) reads it. Several seconds a page.
void BM_DocumentOcr1Page(benchmark::State& state) {
    convertDocument(state, "protocol_scanned.pdf", 1, DocumentInnsResult::Ocr);
}
BENCHMARK(BM_DocumentOcr1Page)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
