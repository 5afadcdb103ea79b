#pragma once

#include "platform/GeneralError.h"
#include "store/SQLiteStatement.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;

// A thin object layer over the SQLite 3 C library: one connection, statements
// run from a text with named parameters, a forward-only cursor, transactions.
//
// Threads: the layer has no locks. One thread at a time owns a connection and
// every cursor made from it: the window thread while the program starts and
// creates the schema, then the crawl controller thread for the rest of the
// process. Pending parameters are connection state, so adding them and running
// the statement that consumes them happen on that thread with nothing between.
//
// Texts: every text handed in is converted to UTF-8 (an unpaired surrogate
// becomes U+FFFD); every text read back is decoded from UTF-8 with its full
// byte length, so a text holding NUL characters comes back whole.
//
// Failures: every failure of the library raises ESQLiteException, whose
// message names the failing statement and SQLite's own explanation. The layer
// never retries and never rolls back by itself.

// A failure reported by the SQLite library, with the library's result code
// (SQLITE_BUSY, SQLITE_FULL, SQLITE_ERROR...), so a caller can tell a busy or
// full database from a wrong statement; 0 when the library gave none.
class ESQLiteException : public EGeneralError {
public:
    explicit ESQLiteException(QString message, int resultCode = 0)
        : EGeneralError(std::move(message)), m_resultCode(resultCode) {}

    int resultCode() const noexcept { return m_resultCode; }

private:
    int m_resultCode = 0;
};

// SQLite's result code for a full disk (or a database at its size limit).
inline constexpr int kSqliteFull = 13;
// SQLite's generic error (a statement naming a table or column that is not there).
inline constexpr int kSqliteError = 1;
// SQLite's result codes for a damaged file and for a file that is no database.
inline constexpr int kSqliteCorrupt = 11;
inline constexpr int kSqliteNotADb = 26;

// How long a statement waits for a lock another copy of the program holds on
// the database file before it fails with SQLITE_BUSY.
inline constexpr int kBusyTimeoutMs = 30000;

// One pending named parameter, waiting for the next statement of its connection.
struct TSQliteParam {
    enum : std::int32_t { Integer = 1, Float = 2, Text = 3, Blob = 4, Null = 5 };

    QByteArray name;  // as written in the statement, prefix included (":inn")
    std::int32_t valuetype = Null;
    std::int64_t valueinteger = 0;
    double valuefloat = 0;
    QByteArray valuedata;  // UTF-8 of a text, raw bytes of a blob
};

// The fixed English text of an SQLite primary result code.
QString ResultCodeText(int code);

class TSQLiteTable;

// One open database connection. Not copyable or movable: cursors refer to it.
class TSQLiteDatabase {
public:
    // Opens (creating when missing) the database file read-write, with a busy
    // timeout of kBusyTimeoutMs and no pragmas. Throws ESQLiteException when it cannot.
    explicit TSQLiteDatabase(const QString& FileName);
    // The same, read-only when asked: such a connection never writes nor
    // creates the file, and takes no write lock.
    TSQLiteDatabase(const QString& FileName, bool ReadOnly);
    // The same, for an owner that keeps the connection behind a pointer.
    static std::unique_ptr<TSQLiteDatabase> Create(const QString& FileName);
    ~TSQLiteDatabase();

    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    sqlite3* DB() const noexcept { return fDB.get(); }
    // The file as it was opened.
    const QString& FileName() const noexcept { return fFileName; }

    // Runs the first statement of the text; a statement that yields a row fails.
    void ExecSQL(const QString& SQL);
    // A cursor standing on the first row (unless PrepareOnly). It must be
    // destroyed before this connection.
    TSQLiteTable GetTable(const QString& SQL, bool PrepareOnly = false);
    // Column 0 of the first row as an integer; 0 for no row or NULL.
    std::int64_t GetTableValue(const QString& SQL);

    // Empty name: "BEGIN" (+ " " + param); else "SAVEPOINT name".
    void Start(const QString& name = {}, const QString& param = {});
    // Empty name: "COMMIT"; else "RELEASE name".
    void Commit(const QString& name = {});
    // Empty name: "ROLLBACK"; else "ROLLBACK TO name".
    void Rollback(const QString& name = {});

    // Pending parameters are bound to the next statement prepared through this
    // connection and then dropped, used or not. A statement that fails to
    // prepare leaves them pending for the one after it.
    void AddParamText(const QString& name, const QString& value);
    void AddParamInt(const QString& name, std::int64_t value);

private:
    friend class TSQLiteTable;

    struct Closer {
        void operator()(sqlite3* db) const noexcept;
    };

    TSQLiteStatement Prepare(const QString& SQL);
    void BindPendingParams(sqlite3_stmt* stmt, const QString& SQL);
    [[noreturn]] void ReportSqliteError(const QString& context, const QString& SQL) const;

    std::unique_ptr<sqlite3, Closer> fDB;
    QString fFileName;
    std::vector<TSQliteParam> fParams;
};

// A forward-only cursor over one prepared statement, owned by its creator.
// Field reads of a row that is not current give the empty string or 0.
class TSQLiteTable {
public:
    TSQLiteTable(TSQLiteDatabase& db, const QString& SQL, bool PrepareOnly);
    TSQLiteTable(TSQLiteTable&&) noexcept = default;
    TSQLiteTable& operator=(TSQLiteTable&&) noexcept = default;

    // True when no row is current. (The usual name EOF is a C library macro.)
    bool Eof() const noexcept { return fEOF; }
    // Steps to the next row; true when one is current.
    bool Next();

    QString FieldAsString(int I) const;        // NULL gives ""
    double FieldAsDouble(int I) const;         // NULL gives 0
    std::int64_t FieldAsInteger(int I) const;  // NULL gives 0

    std::uint32_t ColCount() const noexcept { return fColCount; }
    std::uint32_t Row() const noexcept { return fRow; }
    // Result column names in upper case.
    const QStringList& Columns() const noexcept { return fCols; }

private:
    TSQLiteDatabase* fDB;
    TSQLiteStatement fStmt;
    QString fSQL;
    std::uint32_t fColCount = 0;
    QStringList fCols;
    std::uint32_t fRow = 0;
    bool fEOF = false;
};
