// ParseResultList on an arbitrary result page fetched from an arbitrary
// address, with a local queue and run state.
// Input: flags selector, encoding selector, then page, address separated by
// 0x1F. Flags: bit 0 set = the run's split has started, bit 1 set = every
// card counts as stored. Without an address, the first page of a 44-FZ search.
#include "crawl/ResultList.h"
#include "fuzz/FuzzInput.h"

namespace {

const QString kFirstPage = QStringLiteral(
    "https://zakupki.gov.ru/epz/contract/search/results.html?morphology=on&fz44=on"
    "&sortBy=UPDATE_DATE&pageNumber=1&sortDirection=false&recordsPerPage=_50"
    "&contractDateFrom=01.01.2024&contractDateTo=25.03.2024");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 2, 2);
    const int flags = fuzz::Choice(input.selectors[0], 4);
    const QString url = input.field(1, kFirstPage);

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
                          QDate(2024, 3, 25)};
    ParseResultList(ctx, url, input.fields.front());

    // Every job added raised the progress maximum once; cards are among them.
    FUZZ_CHECK(progressBarMax == queue.addedCount());
    FUZZ_CHECK(tendersCounter <= progressBarMax);
    if (allStored) FUZZ_CHECK(tendersCounter == 0);
    return 0;
}
