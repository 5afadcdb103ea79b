#pragma once

#include "crawl/RunSummary.h"
#include "store/RunHistory.h"

#include <QStringList>
#include <optional>

struct RunOptions;

// kIncomplete: the run ended, but pages it gave up or could not handle may hide contracts from
// its reports.
enum ConsoleExitCode { kDone = 0, kFailed = 1, kBadUsage = 2, kIncomplete = 3, kInterrupted = 130 };

// "contract-finder-cli run": one crawl with the program's core, the log on
// standard output. Returns the process exit code.
int RunCommand(const QStringList& arguments);

// How a console crawl is started and what it ended with.
struct ConsoleRun {
    RunMode mode = RunMode::Console;
    QStringList startLines;  // log lines after "Начинаем работу..." (a watch's days)
    // Set once a run has ended: its account and the history row written for it.
    std::optional<RunSummary> summary;
    std::optional<RunRecord> record;
};

// One crawl of the console (run and watch alike): the input checks, the run, its history row.
// Gives the exit code; throws for an unexpected failure.
int RunConsoleCrawl(const RunOptions& options, ConsoleRun& run);
