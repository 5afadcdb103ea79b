#pragma once

#include "crawl/ResultList.h"

#include <QSet>
#include <QStringList>

// The run state one result page is handled against, recording what the page did.
struct ResultListRun {
    JobQueue queue;
    int progressBarMax = 3;
    int tendersCounter = 0;
    bool splitStarted = false;
    QStringList log;
    QSet<QString> stored;
    int counterUpdates = 0;
    SplitTracker splits;
    SupplierSearchCheck supplierCheck;
    QStringList lostPages;
    ResultListContext ctx{queue,
                          progressBarMax,
                          tendersCounter,
                          splitStarted,
                          [this](const QString& text) { log << text; },
                          [this](const QString& url) { return stored.contains(url); },
                          [this] { ++counterUpdates; },
                          QDate(2024, 3, 15),
                          &splits,
                          nullptr,
                          [this](const QString& url) { lostPages << url; }};

    ResultListRun() = default;
    ResultListRun(const ResultListRun&) = delete;
    ResultListRun& operator=(const ResultListRun&) = delete;

    void parse(const QString& url, const QString& html) { ParseResultList(ctx, url, html); }
    // The search by INN's check takes part from now on.
    void checkSupplierSearches() { ctx.supplierCheck = &supplierCheck; }
    QStringList jobs() const { return {queue.jobs().begin(), queue.jobs().end()}; }
};
