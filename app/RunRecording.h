#pragma once

#include "crawl/RunSummary.h"
#include "store/RunHistory.h"

#include <QDateTime>

class TSQLiteDatabase;

// The history row of a run that has just ended, made from its account; the front ends
// (window, console run, watch) write it when the run has ended.
RunRecord RunRecordOf(const RunSummary& summary, RunMode mode, const QDateTime& started,
                      const QDate& from, const QDate& to, const QStringList& inns);

// Writes the row; the Russian reason when it could not be written, empty otherwise. A history
// that cannot be written costs the run nothing else.
QString WriteRunRecord(TSQLiteDatabase& db, const RunRecord& run);
