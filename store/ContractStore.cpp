#include "store/ContractStore.h"

#include "store/SQLiteTransaction.h"
#include "store/SchemaVersion.h"
#include "store/SqlText.h"

namespace {

const char* const kSchema[] = {
    "PRAGMA foreign_keys = ON;",
    "CREATE TABLE IF NOT EXISTS urls (  id INTEGER PRIMARY KEY AUTOINCREMENT,  url TEXT NOT NULL "
    "UNIQUE,  contract_subject TEXT,  amount NUMERIC(15,2),  conclusion_date DATE,  "
    "execution_date DATE,  created_at DATETIME DEFAULT CURRENT_TIMESTAMP);",
    "CREATE TABLE IF NOT EXISTS inns (  id INTEGER PRIMARY KEY AUTOINCREMENT,  inn TEXT NOT NULL "
    "UNIQUE,  first_seen DATETIME DEFAULT CURRENT_TIMESTAMP);",
    "CREATE TABLE IF NOT EXISTS url_inns (  url_id INTEGER NOT NULL,  inn_id INTEGER NOT NULL,  "
    "found_at DATETIME DEFAULT CURRENT_TIMESTAMP,  PRIMARY KEY (url_id, inn_id));",
    "CREATE INDEX IF NOT EXISTS idx_url_inns_inn_id ON url_inns(inn_id);",
    "CREATE INDEX IF NOT EXISTS idx_inns_inn ON inns(inn);",
    "CREATE TABLE IF NOT EXISTS pending_followups (  url TEXT PRIMARY KEY);",
};

// The five values of a contract row as SQL literals. Built before any
// transaction starts: they read the regional settings and cannot fail.
QString contractValues(const QString& url, const QString& subject, const QString& amount,
                       const QString& conclusionDate, const QString& executionDate) {
    return QStringList{SqlQuote(url), SqlQuote(subject), SqlAmount(amount), SqlDate(conclusionDate),
                       SqlDate(executionDate)}
        .join(QStringLiteral(", "));
}

std::int64_t contractId(TSQLiteDatabase& db, const QString& url) {
    return db.GetTableValue(QStringLiteral("SELECT id FROM urls WHERE url = ") + SqlQuote(url));
}

// Links each non-blank INN of the list to the contract; runs inside the
// caller's transaction.
void linkInns(TSQLiteDatabase& db, std::int64_t urlId, const QStringList& inns) {
    for (const QString& entry : inns) {
        const QString inn = entry.trimmed();
        if (inn.isEmpty()) continue;
        db.AddParamText(QStringLiteral(":inn"), inn);
        db.ExecSQL(QStringLiteral("INSERT OR IGNORE INTO inns (inn) VALUES (:inn);"));
        const std::int64_t innId =
            db.GetTableValue(QStringLiteral("SELECT id FROM inns WHERE inn = ") + SqlQuote(inn));
        db.AddParamInt(QStringLiteral(":url_id"), urlId);
        db.AddParamInt(QStringLiteral(":inn_id"), innId);
        db.ExecSQL(QStringLiteral(
            "INSERT OR IGNORE INTO url_inns (url_id, inn_id) VALUES (:url_id, :inn_id);"));
    }
}

}  // namespace

void CreateSchema(TSQLiteDatabase& db) {
    for (const char* statement : kSchema)
        db.ExecSQL(QString::fromLatin1(statement));
    MigrateSchema(db);
}

void MarkFollowUpPending(TSQLiteDatabase& db, const QString& url) {
    db.ExecSQL(QStringLiteral("INSERT OR IGNORE INTO pending_followups (url) VALUES (") +
               SqlQuote(url) + QStringLiteral(");"));
}

void ClearFollowUpPending(TSQLiteDatabase& db, const QString& url) {
    db.ExecSQL(QStringLiteral("DELETE FROM pending_followups WHERE url = ") + SqlQuote(url) +
               QStringLiteral(";"));
}

bool IsFollowUpPending(TSQLiteDatabase& db, const QString& url) {
    return db.GetTableValue(QStringLiteral("SELECT 1 FROM pending_followups WHERE url = ") +
                            SqlQuote(url)) == 1;
}

bool IsUrlStored(TSQLiteDatabase& db, const QString& url) {
    return db.GetTableValue(QStringLiteral("SELECT 1 FROM urls WHERE url = ") + SqlQuote(url)) == 1;
}

std::optional<QString> StoredSpellingOf(TSQLiteDatabase& db, const QString& url) {
    if (IsUrlStored(db, url)) return url;
    if (!url.contains(u'&')) return std::nullopt;
    QString written = url;
    written.replace(QStringLiteral("&"), QStringLiteral("&amp;"));
    if (IsUrlStored(db, written)) return written;
    return std::nullopt;
}

QString StoredUrlSpelling(TSQLiteDatabase& db, const QString& url) {
    // An address without "&" has one spelling: no look-up needed.
    if (!url.contains(u'&')) return url;
    return StoredSpellingOf(db, url).value_or(url);
}

void StoreContract(TSQLiteDatabase& db, const QString& url, const QString& subject,
                   const QString& amount, const QString& conclusionDate,
                   const QString& executionDate) {
    const QString values = contractValues(url, subject, amount, conclusionDate, executionDate);
    db.ExecSQL(QStringLiteral("INSERT OR IGNORE INTO urls (url, contract_subject, amount, "
                              "conclusion_date, execution_date) VALUES (") +
               values + QLatin1Char(')'));
}

void LinkInnsToUrl(TSQLiteDatabase& db, const QString& url, const QStringList& inns) {
    // The id is read under the write lock: another copy replacing the contract
    // in between would otherwise leave these links on its deleted id.
    TSQLiteTransaction transaction(db);
    const std::int64_t urlId = contractId(db, url);
    if (urlId == 0) throw EGeneralError(QStringLiteral("URL не найден в базе: ") + url);
    linkInns(db, urlId, inns);
    transaction.Commit();
}

void ReplaceContract(TSQLiteDatabase& db, const QString& url, const QString& subject,
                     const QString& amount, const QString& conclusionDate,
                     const QString& executionDate, const QStringList& inns) {
    const QString values = contractValues(url, subject, amount, conclusionDate, executionDate);
    TSQLiteTransaction transaction(db);
    if (const std::int64_t oldId = contractId(db, url); oldId != 0) {
        db.AddParamInt(QStringLiteral(":url_id"), oldId);
        db.ExecSQL(QStringLiteral("DELETE FROM url_inns WHERE url_id = :url_id"));
    }
    // For a stored url SQLite deletes the old row: the contract gets a new id.
    db.ExecSQL(QStringLiteral("INSERT OR REPLACE INTO urls (url, contract_subject, amount, "
                              "conclusion_date, execution_date) VALUES (") +
               values + QLatin1Char(')'));
    linkInns(db, contractId(db, url), inns);
    transaction.Commit();
}

TContractList GetContractsByInn(TSQLiteDatabase& db, const QString& inn) {
    db.AddParamText(QStringLiteral(":inn"), inn);
    TSQLiteTable table = db.GetTable(QStringLiteral(
        "SELECT u.url, u.contract_subject, u.amount, u.conclusion_date, u.execution_date "
        "FROM urls u JOIN url_inns ui ON ui.url_id = u.id JOIN inns i ON i.id = ui.inn_id "
        "WHERE i.inn = :inn"));
    TContractList contracts;
    for (; !table.Eof(); table.Next()) {
        TUrlContractInfo info{table.FieldAsString(0), table.FieldAsString(1),
                              table.FieldAsDouble(2), table.FieldAsString(3),
                              table.FieldAsString(4)};
        QString key = info.Url;
        contracts.emplace_back(std::move(key), std::move(info));
    }
    return contracts;
}
