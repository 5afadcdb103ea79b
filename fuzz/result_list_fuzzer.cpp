// ParseResultList on an arbitrary result page fetched from an arbitrary
// address, with a local queue and run state.
// Input: flags selector, encoding selector, then page, address separated by
// 0x1F. Flags: bit 0 set = the run's split has started, bit 1 set = every
// card counts as stored. Without an address, the first page of a 44-FZ search.
#include "crawl/PortalSearch.h"
#include "crawl/ResultList.h"
#include "fuzz/FuzzInput.h"

#include <cstdlib>
#include <optional>

namespace {

const QString kFirstPage = QStringLiteral(
    "https://zakupki.gov.ru/epz/contract/search/results.html?morphology=on&fz44=on"
    "&sortBy=UPDATE_DATE&pageNumber=1&sortDirection=false&recordsPerPage=_50"
    "&contractDateFrom=01.01.2024&contractDateTo=25.03.2024");

const QDate kToday(2024, 3, 25);

// A date split queues up to one search per day of the address's range, so its
// work grows with the range by design. A run's dates a century apart are not
// worth the fuzzing time: such inputs are skipped.
bool SpansOverACentury(const QString& url) {
    const std::optional<PortalRegistry> registry = RegistryOfAddress(url);
    if (!registry) return false;
    const PortalRegistryInfo& info = RegistryInfo(*registry);
    const QDate from = QDate::fromString(QueryParamValue(url, info.dateFromName), u"dd.MM.yyyy");
    const QString toText = QueryParamValue(url, info.dateToName);
    const QDate to = toText.isEmpty() ? kToday : QDate::fromString(toText, u"dd.MM.yyyy");
    return from.isValid() && to.isValid() && std::abs(from.daysTo(to)) > 36600;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 2, 2);
    const int flags = fuzz::Choice(input.selectors[0], 4);
    const QString url = input.field(1, kFirstPage);
    if (SpansOverACentury(url)) return -1;  // not kept in the corpus

    JobQueue queue;
    int progressBarMax = 0;
    int tendersCounter = 0;
    bool splitStarted = (flags & 1) != 0;
    const bool allStored = (flags & 2) != 0;
    qsizetype logLines = 0;
    ResultListContext ctx{queue,
                          progressBarMax,
                          tendersCounter,
                          splitStarted,
                          [&logLines](const QString&) { ++logLines; },
                          [allStored](const QString&) { return allStored; },
                          [] {},
                          kToday};
    ParseResultList(ctx, url, input.fields.front());

    // Every job added raised the progress maximum once; cards are among them.
    FUZZ_CHECK(progressBarMax == queue.addedCount());
    FUZZ_CHECK(tendersCounter <= progressBarMax);
    if (allStored) FUZZ_CHECK(tendersCounter == 0);
    return 0;
}
