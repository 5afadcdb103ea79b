#include "store/SQLiteWrap.h"

#include "store/Utf8Text.h"

#include <sqlite3.h>
#include <iterator>
#include <utility>

namespace {

const char* const kResultCodeTexts[] = {
    "Successful result",
    "SQL error or missing database",
    "An internal logic error in SQLite",
    "Access permission denied",
    "Callback routine requested an abort",
    "The database file is locked",
    "A table in the database is locked",
    "A malloc() failed",
    "Attempt to write a readonly database",
    "Operation terminated by sqlite3_interrupt()",
    "Some kind of disk I/O error occurred",
    "The database disk image is malformed",
    "(Internal Only) Table or record not found",
    "Insertion failed because database is full",
    "Unable to open the database file",
    "Database lock protocol error",
    "Database is empty",
    "The database schema changed",
    "Too much data for one row of a table",
    "Abort due to contraint violation",
    "Data type mismatch",
    "Library used incorrectly",
    "Uses OS features not supported on host",
    "Authorization denied",
    "Auxiliary database format error",
    "2nd parameter to sqlite3_bind out of range",
    "File opened that is not a database file",
};

int bindParam(sqlite3_stmt* stmt, int index, const TSQliteParam& param) {
    switch (param.valuetype) {
        case TSQliteParam::Integer:
            return sqlite3_bind_int64(stmt, index, param.valueinteger);
        case TSQliteParam::Float:
            return sqlite3_bind_double(stmt, index, param.valuefloat);
        case TSQliteParam::Text:
            // constData() of an empty array is "", never null: an empty text
            // binds as an empty text, not as NULL.
            return sqlite3_bind_text(stmt, index, param.valuedata.constData(),
                                     static_cast<int>(param.valuedata.size()), SQLITE_TRANSIENT);
        case TSQliteParam::Blob:
            return sqlite3_bind_blob(stmt, index, param.valuedata.constData(),
                                     static_cast<int>(param.valuedata.size()), SQLITE_TRANSIENT);
        default:
            return sqlite3_bind_null(stmt, index);
    }
}

}  // namespace

QString ResultCodeText(int code) {
    if (code >= 0 && code < static_cast<int>(std::size(kResultCodeTexts)))
        return QString::fromLatin1(kResultCodeTexts[code]);
    if (code == SQLITE_ROW) return QStringLiteral("sqlite3_step() has another row ready");
    if (code == SQLITE_DONE) return QStringLiteral("sqlite3_step() has finished executing");
    return QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code);
}

void TSQLiteDatabase::Closer::operator()(sqlite3* db) const noexcept {
    // The _v2 form cannot fail on a statement still open; the connection then
    // closes when the last one is finalized.
    sqlite3_close_v2(db);
}

TSQLiteDatabase::TSQLiteDatabase(const QString& FileName) : TSQLiteDatabase(FileName, false) {}

TSQLiteDatabase::TSQLiteDatabase(const QString& FileName, bool ReadOnly) {
    sqlite3* raw = nullptr;
    const int flags = ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(Utf8Text(FileName).constData(), &raw, flags, nullptr);
    // SQLite hands out a handle even when opening fails; it must be closed.
    std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK) {
        const QString reason =
            db ? QString::fromUtf8(sqlite3_errmsg(db.get())) : QStringLiteral("Unknown error");
        throw ESQLiteException(
            QStringLiteral("Failed to open database \"%1\" : %2").arg(FileName, reason), rc);
    }
    // Another copy of the program on the same folder holds its write lock for
    // one card's transaction at a time: waiting for it beats failing the page.
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    fDB = std::move(db);
    fFileName = FileName;
}

std::unique_ptr<TSQLiteDatabase> TSQLiteDatabase::Create(const QString& FileName) {
    return std::make_unique<TSQLiteDatabase>(FileName);
}

TSQLiteDatabase::~TSQLiteDatabase() = default;

void TSQLiteDatabase::ExecSQL(const QString& SQL) {
    const TSQLiteStatement stmt = Prepare(SQL);
    BindPendingParams(stmt.get(), SQL);
    if (sqlite3_step(stmt.get()) != SQLITE_DONE) {
        // A row counts as a failure too: this path runs statements without results.
        sqlite3_reset(stmt.get());
        ReportSqliteError(QStringLiteral("Error executing SQL statement"), SQL);
    }
}

TSQLiteTable TSQLiteDatabase::GetTable(const QString& SQL, bool PrepareOnly) {
    return TSQLiteTable(*this, SQL, PrepareOnly);
}

std::int64_t TSQLiteDatabase::GetTableValue(const QString& SQL) {
    const TSQLiteTable table(*this, SQL, false);
    return table.Eof() ? 0 : table.FieldAsInteger(0);
}

void TSQLiteDatabase::Start(const QString& name, const QString& param) {
    if (!name.isEmpty())
        ExecSQL(QStringLiteral("SAVEPOINT ") + name);
    else if (!param.isEmpty())
        ExecSQL(QStringLiteral("BEGIN ") + param);
    else
        ExecSQL(QStringLiteral("BEGIN"));
}

void TSQLiteDatabase::Commit(const QString& name) {
    ExecSQL(name.isEmpty() ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + name);
}

void TSQLiteDatabase::Rollback(const QString& name) {
    ExecSQL(name.isEmpty() ? QStringLiteral("ROLLBACK") : QStringLiteral("ROLLBACK TO ") + name);
}

void TSQLiteDatabase::AddParamText(const QString& name, const QString& value) {
    TSQliteParam param;
    param.name = Utf8Text(name);
    param.valuetype = TSQliteParam::Text;
    param.valuedata = Utf8Text(value);
    fParams.push_back(std::move(param));
}

void TSQLiteDatabase::AddParamInt(const QString& name, std::int64_t value) {
    TSQliteParam param;
    param.name = Utf8Text(name);
    param.valuetype = TSQliteParam::Integer;
    param.valueinteger = value;
    fParams.push_back(std::move(param));
}

TSQLiteStatement TSQLiteDatabase::Prepare(const QString& SQL) {
    // Length -1: the text is read up to its terminating zero, and only its
    // first statement is prepared.
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(fDB.get(), Utf8Text(SQL).constData(), -1, &raw, nullptr);
    TSQLiteStatement stmt(raw);
    if (rc != SQLITE_OK) ReportSqliteError(QStringLiteral("Error executing SQL"), SQL);
    if (!stmt) ReportSqliteError(QStringLiteral("Could not prepare SQL statement"), SQL);
    return stmt;
}

void TSQLiteDatabase::BindPendingParams(sqlite3_stmt* stmt, const QString& SQL) {
    // Taken out first, so they are dropped even when a bind fails.
    const std::vector<TSQliteParam> params = std::exchange(fParams, {});
    for (const TSQliteParam& param : params) {
        if (param.name.isEmpty()) continue;
        const int index = sqlite3_bind_parameter_index(stmt, param.name.constData());
        if (index == 0) continue;  // not named in this statement
        if (bindParam(stmt, index, param) != SQLITE_OK)
            ReportSqliteError(QStringLiteral("Error binding SQL parameter"), SQL);
    }
}

void TSQLiteDatabase::ReportSqliteError(const QString& context, const QString& SQL) const {
    const int code = sqlite3_errcode(fDB.get());
    const char* message = code != SQLITE_OK ? sqlite3_errmsg(fDB.get()) : nullptr;
    if (!message) throw ESQLiteException(context);
    throw ESQLiteException(context + QStringLiteral(".\r\nError [%1]: %2.\r\n\"%3\": %4")
                                         .arg(QString::number(code), ResultCodeText(code), SQL,
                                              QString::fromUtf8(message)),
                           code & 0xFF);
}
