#include "store/SchemaVersion.h"

#include "platform/GeneralError.h"
#include "store/SQLiteTransaction.h"
#include "store/SQLiteWrap.h"

#include <QFileInfo>

namespace {

bool hasColumn(TSQLiteDatabase& db, const QString& table, const QString& column) {
    db.AddParamText(QStringLiteral(":column"), column);
    return db.GetTableValue(QStringLiteral("SELECT count(*) FROM pragma_table_info('") + table +
                            QStringLiteral("') WHERE name = :column")) > 0;
}

// A step may meet a column already there: a second copy of the program that
// read the old version before the first one's migration took the write lock
// runs the steps again once it gets the lock.
void addColumn(TSQLiteDatabase& db, const QString& table, const QString& column,
               const QString& type) {
    if (hasColumn(db, table, column)) return;
    db.ExecSQL(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, type));
}

void toVersion1(TSQLiteDatabase& db) {
    addColumn(db, QStringLiteral("urls"), QStringLiteral("customer_name"), QStringLiteral("TEXT"));
    addColumn(db, QStringLiteral("urls"), QStringLiteral("customer_inn"), QStringLiteral("TEXT"));
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS reported_links (  url TEXT PRIMARY KEY,  run_stamp TEXT "
        "NOT NULL);"));
}

// The history of runs: one row a run, written when it ends (store/RunHistory.h).
void toVersion2(TSQLiteDatabase& db) {
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS runs (  id INTEGER PRIMARY KEY,  started TEXT NOT NULL,  "
        "ended TEXT NOT NULL,  mode TEXT NOT NULL,  date_from TEXT,  date_to TEXT,  inns TEXT "
        "NOT NULL,  outcome TEXT NOT NULL,  failure TEXT,  cards_read INTEGER NOT NULL,  "
        "cards_stored INTEGER NOT NULL,  new_contracts INTEGER NOT NULL,  new_sum REAL NOT NULL,  "
        "log_file TEXT,  report_file TEXT);"));
}

using Step = void (*)(TSQLiteDatabase&);
// steps[n] brings version n to version n + 1.
constexpr Step kSteps[] = {toVersion1, toVersion2};
static_assert(std::size(kSteps) == kSchemaVersion);

}  // namespace

int SchemaVersionOf(TSQLiteDatabase& db) {
    return int(db.GetTableValue(QStringLiteral("PRAGMA user_version")));
}

void MigrateSchema(TSQLiteDatabase& db) {
    const int version = SchemaVersionOf(db);
    if (version > kSchemaVersion) {
        throw EGeneralError(
            QStringLiteral("База данных %1 создана более новой версией программы (версия "
                           "данных %2, эта версия программы знает до %3). Обновите программу; "
                           "база данных не изменена.")
                .arg(QFileInfo(db.FileName()).absoluteFilePath())
                .arg(version)
                .arg(kSchemaVersion));
    }
    if (version == kSchemaVersion) return;
    TSQLiteTransaction transaction(db);
    for (int step = version; step < kSchemaVersion; ++step)
        kSteps[step](db);
    db.ExecSQL(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    transaction.Commit();
}
