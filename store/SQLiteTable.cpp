#include "store/SQLiteWrap.h"

#include <sqlite3.h>

TSQLiteTable::TSQLiteTable(TSQLiteDatabase& db, const QString& SQL, bool PrepareOnly)
    : fDB(&db), fStmt(db.Prepare(SQL)), fSQL(SQL) {
    fColCount = static_cast<std::uint32_t>(sqlite3_column_count(fStmt.get()));
    for (std::uint32_t i = 0; i < fColCount; ++i)
        fCols.append(QString::fromUtf8(sqlite3_column_name(fStmt.get(), int(i))).toUpper());
    if (PrepareOnly) return;
    fDB->BindPendingParams(fStmt.get(), fSQL);
    Next();
}

bool TSQLiteTable::Next() {
    fEOF = true;
    const int rc = sqlite3_step(fStmt.get());
    if (rc == SQLITE_ROW) {
        fEOF = false;
        ++fRow;
    } else if (rc != SQLITE_DONE) {
        sqlite3_reset(fStmt.get());
        fDB->ReportSqliteError(QStringLiteral("Could not retrieve data"), fSQL);
    }
    return !fEOF;
}

QString TSQLiteTable::FieldAsString(int I) const {
    if (fEOF) return {};
    // Text first, then its byte length: the length stops at no NUL character.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(fStmt.get(), I));
    const int bytes = sqlite3_column_bytes(fStmt.get(), I);
    return text ? QString::fromUtf8(text, bytes) : QString();
}

double TSQLiteTable::FieldAsDouble(int I) const {
    return fEOF ? 0 : sqlite3_column_double(fStmt.get(), I);
}

std::int64_t TSQLiteTable::FieldAsInteger(int I) const {
    return fEOF ? 0 : sqlite3_column_int64(fStmt.get(), I);
}
