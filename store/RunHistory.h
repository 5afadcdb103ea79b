#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TSQLiteDatabase;

// The history of runs, the table "runs" of the database: one row a run,
// written by the front end when the run has ended (window, console run and
// watch alike). A watch reads it back to know where its date window starts
// and how many watches in a row have failed. Plain functions over one
// connection, on the thread that owns it; they throw ESQLiteException.

// How the run was started, as stored.
enum class RunMode { Window, Console, Watch };
// How it ended, as stored (the outcome of the run's account).
enum class RunEnd { Done, Incomplete, Stopped, Failed };

struct RunRecord {
    qint64 id = 0;  // given by the table
    QDateTime started;
    QDateTime ended;
    RunMode mode = RunMode::Console;
    QDate from;  // null: that end of the range was open
    QDate to;
    QStringList inns;  // the valid INNs of the list
    RunEnd end = RunEnd::Done;
    QString failure;  // Russian, for a failed run
    int cardsRead = 0;
    int cardsStored = 0;
    int newContracts = 0;  // report lines written
    double newSum = 0;     // their amounts together
    QString logFile;       // full path
    QString reportFile;    // the first workbook written (or its .tab), empty when none
};

void RecordRun(TSQLiteDatabase& db, const RunRecord& run);

// The last runs, newest first; only those of one mode when given.
std::vector<RunRecord> LastRuns(TSQLiteDatabase& db, int limit,
                                std::optional<RunMode> mode = std::nullopt);

// The newest watch that ended done (not incomplete: pages it gave up may hide contracts).
std::optional<RunRecord> LastSuccessfulWatch(TSQLiteDatabase& db);

// How many of the newest watches failed, counted back to the first that did not.
int FailedWatchesInARow(TSQLiteDatabase& db);

// Russian words for the window and the console: «окно», «консоль», «проверка»;
// «готово», «не полностью», «остановлено», «ошибка».
QString RunModeName(RunMode mode);
QString RunEndName(RunEnd end);
