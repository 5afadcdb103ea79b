#pragma once

#include "replica/SyntheticPortal.h"

#include <string>

class PortalReplica;

// A synthetic portal turned hostile, for the bounded hostile-portal campaign. On one day of the
// 44-FZ registry ("the hostile day") the search ignores its price filter and claims more than
// 27 000 000 records, whatever narrower search is asked; walked page by page, the day lists one
// card a great many times, and its second page names itself as the next. Of that day's cards,
// one shows an amount of several megabytes of "1 1 1 …" and one answers with a redirect to
// another host name ("localhost", which is the replica again: a client that follows shows in the
// log). The first scanned protocol becomes a PDF of hundreds of blank pages.
//
// Threads and ownership as for SyntheticPortal, whose handlers this replaces in part; both
// objects must be made on the same replica, the synthetic portal first.
struct HostilePortalConfig {
    QDate hostileDay;         // a day of the synthetic portal with at least three 44-FZ cards
    int listedTimes = 20000;  // how often the repeated card is listed on the day's first page
    int blankPages = 300;     // pages of the scanned protocol
    int amountMegabytes = 6;  // size of the huge amount text
    qint64 claimedTotal = 27000000;
};

class HostilePortal {
public:
    HostilePortal(PortalReplica& replica, const SyntheticPortal& portal,
                  HostilePortalConfig config);

    const SyntheticContract& repeatedCard() const { return *repeated_; }
    const SyntheticContract& hugeAmountCard() const { return *hugeAmount_; }
    const SyntheticContract& redirectingCard() const { return *redirecting_; }
    const SyntheticContract& manyPageProtocol() const { return *manyPages_; }  // 223-FZ

    // The one-day 44-FZ search query value of the hostile day, "dd.mm.yyyy".
    std::string hostileDayText() const;

private:
    HostilePortalConfig config_;
    const SyntheticContract* repeated_ = nullptr;
    const SyntheticContract* hugeAmount_ = nullptr;
    const SyntheticContract* redirecting_ = nullptr;
    const SyntheticContract* manyPages_ = nullptr;
};

// A well-formed PDF of the given number of blank A4 pages, without any text.
std::string BlankPagesPdf(int pages);
