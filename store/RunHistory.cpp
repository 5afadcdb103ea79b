#include "store/RunHistory.h"

#include "store/SQLiteWrap.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<RunMode, const char*>, 3> kModes = {
    {{RunMode::Window, "window"}, {RunMode::Console, "run"}, {RunMode::Watch, "watch"}}};
constexpr std::array<std::pair<RunEnd, const char*>, 4> kEnds = {
    {{RunEnd::Done, "done"},
     {RunEnd::Incomplete, "incomplete"},
     {RunEnd::Stopped, "stopped"},
     {RunEnd::Failed, "failed"}}};

template <typename T, std::size_t N>
QString codeOf(const std::array<std::pair<T, const char*>, N>& codes, T value) {
    for (const auto& [known, code] : codes) {
        if (known == value) return QString::fromLatin1(code);
    }
    return {};
}

template <typename T, std::size_t N>
T valueOf(const std::array<std::pair<T, const char*>, N>& codes, const QString& code, T fallback) {
    for (const auto& [known, text] : codes) {
        if (code == QLatin1String(text)) return known;
    }
    return fallback;
}

QString dayText(const QDate& day) {
    return day.isValid() ? day.toString(Qt::ISODate) : QString();
}

QString momentText(const QDateTime& moment) {
    return moment.toString(Qt::ISODate);
}

constexpr const char* kColumns =
    "id, started, ended, mode, date_from, date_to, inns, outcome, failure, cards_read, "
    "cards_stored, new_contracts, new_sum, log_file, report_file";

RunRecord recordAt(const TSQLiteTable& row) {
    RunRecord run;
    run.id = row.FieldAsInteger(0);
    run.started = QDateTime::fromString(row.FieldAsString(1), Qt::ISODate);
    run.ended = QDateTime::fromString(row.FieldAsString(2), Qt::ISODate);
    run.mode = valueOf(kModes, row.FieldAsString(3), RunMode::Console);
    run.from = QDate::fromString(row.FieldAsString(4), Qt::ISODate);
    run.to = QDate::fromString(row.FieldAsString(5), Qt::ISODate);
    run.inns = row.FieldAsString(6).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    run.end = valueOf(kEnds, row.FieldAsString(7), RunEnd::Failed);
    run.failure = row.FieldAsString(8);
    run.cardsRead = int(row.FieldAsInteger(9));
    run.cardsStored = int(row.FieldAsInteger(10));
    run.newContracts = int(row.FieldAsInteger(11));
    run.newSum = row.FieldAsDouble(12);
    run.logFile = row.FieldAsString(13);
    run.reportFile = row.FieldAsString(14);
    return run;
}

std::vector<RunRecord> query(TSQLiteDatabase& db, const QString& where, int limit) {
    std::vector<RunRecord> runs;
    TSQLiteTable table = db.GetTable(QStringLiteral("SELECT ") + QLatin1String(kColumns) +
                                     QStringLiteral(" FROM runs ") + where +
                                     QStringLiteral(" ORDER BY id DESC LIMIT %1").arg(limit));
    for (; !table.Eof(); table.Next())
        runs.push_back(recordAt(table));
    return runs;
}

}  // namespace

void RecordRun(TSQLiteDatabase& db, const RunRecord& run) {
    db.AddParamText(QStringLiteral(":started"), momentText(run.started));
    db.AddParamText(QStringLiteral(":ended"), momentText(run.ended));
    db.AddParamText(QStringLiteral(":mode"), codeOf(kModes, run.mode));
    db.AddParamText(QStringLiteral(":from"), dayText(run.from));
    db.AddParamText(QStringLiteral(":to"), dayText(run.to));
    db.AddParamText(QStringLiteral(":inns"), run.inns.join(QLatin1Char(' ')));
    db.AddParamText(QStringLiteral(":outcome"), codeOf(kEnds, run.end));
    db.AddParamText(QStringLiteral(":failure"), run.failure);
    db.AddParamInt(QStringLiteral(":read"), run.cardsRead);
    db.AddParamInt(QStringLiteral(":stored"), run.cardsStored);
    db.AddParamInt(QStringLiteral(":new"), run.newContracts);
    // The column's REAL affinity turns the text into a number; kopecks stay exact in it.
    db.AddParamText(QStringLiteral(":sum"), QString::number(run.newSum, 'f', 2));
    db.AddParamText(QStringLiteral(":log"), run.logFile);
    db.AddParamText(QStringLiteral(":report"), run.reportFile);
    db.ExecSQL(QStringLiteral(
        "INSERT INTO runs (started, ended, mode, date_from, date_to, inns, outcome, failure, "
        "cards_read, cards_stored, new_contracts, new_sum, log_file, report_file) VALUES "
        "(:started, :ended, :mode, :from, :to, :inns, :outcome, :failure, :read, :stored, :new, "
        ":sum, :log, :report)"));
}

std::vector<RunRecord> LastRuns(TSQLiteDatabase& db, int limit, std::optional<RunMode> mode) {
    if (!mode) return query(db, {}, limit);
    db.AddParamText(QStringLiteral(":mode"), codeOf(kModes, *mode));
    return query(db, QStringLiteral("WHERE mode = :mode"), limit);
}

std::optional<RunRecord> LastSuccessfulWatch(TSQLiteDatabase& db) {
    db.AddParamText(QStringLiteral(":mode"), codeOf(kModes, RunMode::Watch));
    db.AddParamText(QStringLiteral(":done"), codeOf(kEnds, RunEnd::Done));
    const auto runs = query(db, QStringLiteral("WHERE mode = :mode AND outcome = :done"), 1);
    if (runs.empty()) return std::nullopt;
    return runs.front();
}

int FailedWatchesInARow(TSQLiteDatabase& db) {
    db.AddParamText(QStringLiteral(":mode"), codeOf(kModes, RunMode::Watch));
    db.AddParamText(QStringLiteral(":failed"), codeOf(kEnds, RunEnd::Failed));
    return int(db.GetTableValue(
        QStringLiteral("SELECT count(*) FROM runs WHERE mode = :mode AND outcome = :failed AND "
                       "id > coalesce((SELECT max(id) FROM runs WHERE mode = :mode AND outcome "
                       "<> :failed), 0)")));
}

QString RunModeName(RunMode mode) {
    switch (mode) {
        case RunMode::Window:
            return QStringLiteral("окно");
        case RunMode::Console:
            return QStringLiteral("консоль");
        case RunMode::Watch:
            return QStringLiteral("проверка");
    }
    return {};
}

QString RunEndName(RunEnd end) {
    switch (end) {
        case RunEnd::Done:
            return QStringLiteral("готово");
        case RunEnd::Incomplete:
            return QStringLiteral("не полностью");
        case RunEnd::Stopped:
            return QStringLiteral("остановлено");
        case RunEnd::Failed:
            return QStringLiteral("ошибка");
    }
    return {};
}
