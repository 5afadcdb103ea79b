#pragma once

#include "crawl/JobQueue.h"
#include "crawl/PortalSearch.h"
#include "crawl/SplitTracker.h"
#include "crawl/SupplierSearchCheck.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

// Reading the portal's search result pages: the record count, the contract
// cards listed, the next page, and the splitting of searches too large to walk.
// Runs on the controller thread, inside the handling of one finished job.

// The run state a result page reads and changes, and the run's operations it calls.
struct ResultListContext {
    JobQueue& queue;
    int& progressBarMax;                                  // raised by 1 for every job added here
    int& tendersCounter;                                  // raised by 1 for every card queued
    bool& splitStarted;                                   // the run's SplitStarted flag
    std::function<void(const QString& text)> addLogLine;  // one log line, without time stamp
    std::function<bool(const QString& url)> isUrlStored;  // the store's IsUrlStored
    std::function<void()> updateTendersCounter;
    QDate today;  // the to-date of a search whose to-date is empty
    // The run's record of splits; without one every over-full search is split.
    SplitTracker* splits = nullptr;
    // The search by INN's check of the supplier filter; none in a full crawl.
    SupplierSearchCheck* supplierCheck = nullptr;
    // Told of a result page that was read but could not be handled (no result list, no
    // count, an error): the cards it would have listed (and, for a first page, the whole
    // search) are missing from the run. Pages whose fetch failed are counted by the run.
    std::function<void(const QString& url)> searchPageLost = nullptr;
};

// A search whose first page reports this many records or more is split, not walked.
inline constexpr qint64 kSplitThreshold = 1000;

// Handles one result page fetched from url. Card addresses and the next page
// go to the tail of the queue, narrower searches to its head. Never throws:
// an error is logged as "Ошибка при обработке данных для " + url + ": " + message,
// the jobs queued before it stay queued and the rest of the page is dropped.
void ParseResultList(ResultListContext& ctx, const QString& url, const QString& html);

// A result page whose fetch failed: as a part of a split it reported no total,
// which settles whether its siblings are split (see SplitTracker). Never throws.
void ResultPageNotRead(ResultListContext& ctx, const QString& url);

// The record count of a result page without writing to the log: 0 for the
// portal's "nothing found", none for a page that shows no count.
std::optional<qint64> PageRecordCount(QStringView page);

// The number formed by the decimal digits of a total text ("более 27 000 000"
// → 27000000); other characters are ignored, no digits give 0. Saturates far
// above the split threshold instead of overflowing.
qint64 ReadRecordCount(QStringView totalText);

// Replaces the over-full search at url by narrower ones: by date while its
// from- and to-date differ (an empty from-date stands for EarliestConclusionDate,
// an empty to-date for ctx.today), else by
// price, and records the split with ctx.splits. Throws EGeneralError for an
// address of no registry or an unreadable date.
void SplitSearch(ResultListContext& ctx, const QString& url, qint64 recordCount);

// False for a one-day search whose price range is a single price: splitting
// would only queue the same search again, for ever.
bool SearchCanBeSplit(const ResultListContext& ctx, const QString& url);

// Queues consecutive, non-overlapping date intervals covering fromText..toText
// ("dd.mm.yyyy"), recordCount / 1000 + 1 of them, each at the head, so the last
// interval is handled first. Nothing when the to-date is before the from-date.
// Gives the searches queued (those not queued before in the run).
QStringList SplitByDate(ResultListContext& ctx, const QString& url, PortalRegistry registry,
                        const QString& fromText, const QString& toText, qint64 recordCount);

// Queues about ten price ranges covering the search's price bounds (0 and
// 10000000000 where the address names none), each at the head; a range of two
// prices gives one range per price. Gives the searches queued.
QStringList SplitByPrice(ResultListContext& ctx, const QString& url, PortalRegistry registry);
