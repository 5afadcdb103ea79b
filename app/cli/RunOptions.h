#pragma once

#include "crawl/PortalSearch.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The options of "contract-finder-cli run", and the usage text made from the
// same table the parser reads, so that the two cannot drift apart.
struct RunOptions {
    QString dir;
    QDate from;
    QDate to;
    std::optional<int> threads;
    int intervalSec = 0;
    bool useProxy = false;
    bool moveDamagedDb = false;
    bool searchByInn = false;
    std::optional<ContractStages> stages;  // none: as settings.ini says
    QString portal;
    std::optional<unsigned long> loopSleepMs;  // for tests: shorter loop pauses
    std::optional<long> requestTimeLimitMs;    // for tests: a shorter limit per request
};

// The options after "run". A refused option or value gives no options and the
// Russian reason in `error` (the caller exits with the usage error code).
std::optional<RunOptions> ParseRunOptions(const QStringList& arguments, QString& error);

// The whole usage text of the program; the test-only options are left out.
QString UsageText();
