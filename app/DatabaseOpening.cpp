#include "app/DatabaseOpening.h"

#include "platform/GeneralError.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kFileName = QStringLiteral("db.s3db");
const char* const kJournalSuffixes[] = {"-journal", "-wal", "-shm"};

// Every SQLite database file begins with this; an empty file is a new database.
bool HasSqliteHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return true;  // not ours to judge: opening will say
    if (file.size() == 0) return true;
    return file.read(16) == QByteArray("SQLite format 3", 16);
}

// The tables of this program answer for the columns it reads and writes.
void CheckOwnTables(TSQLiteDatabase& db) {
    db.GetTable(QStringLiteral("SELECT id, url, contract_subject, amount, conclusion_date, "
                               "execution_date, created_at FROM urls LIMIT 0"),
                true);
    db.GetTable(QStringLiteral("SELECT id, inn, first_seen FROM inns LIMIT 0"), true);
    db.GetTable(QStringLiteral("SELECT url_id, inn_id, found_at FROM url_inns LIMIT 0"), true);
    db.GetTable(QStringLiteral("SELECT url FROM pending_followups LIMIT 0"), true);
}

// Decided by SQLite's result code, not its English text: a damaged file or
// no database at all; or, for the schema's own fixed statements, a generic
// error, which there means a table or column of this program is missing.
bool IsDamaged(const EGeneralError& error, bool schemaStatements) {
    const auto* sqlite = dynamic_cast<const ESQLiteException*>(&error);
    if (!sqlite) return false;
    const int code = sqlite->resultCode();
    return code == kSqliteCorrupt || code == kSqliteNotADb ||
           (schemaStatements && code == kSqliteError);
}

QString DamagedText(const QString& path) {
    return QStringLiteral(
               "Файл базы данных %1 повреждён или не является базой данных этой "
               "программы.")
        .arg(QFileInfo(path).absoluteFilePath());
}

QString FreeName(const QString& programDir, const QString& name) {
    QString candidate = name;
    for (int n = 2;; ++n) {
        bool taken = QFileInfo::exists(programDir + candidate);
        for (const char* suffix : kJournalSuffixes)
            taken = taken || QFileInfo::exists(programDir + candidate + QLatin1String(suffix));
        if (!taken) return candidate;
        candidate = name + QStringLiteral("_%1").arg(n);
    }
}

void MoveFile(const QString& from, const QString& to) {
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(from, to)) {
        throw EGeneralError(QStringLiteral("Не удалось переименовать %1 в %2").arg(from, to));
    }
}

}  // namespace

DatabaseOpening OpenProgramDatabase(const QString& programDir) {
    const QString path = programDir + kFileName;
    DatabaseOpening opening;
    if (!HasSqliteHeader(path)) {
        opening.damaged = true;
        opening.message = DamagedText(path);
        return opening;
    }
    bool schemaStatements = false;
    try {
        opening.db = TSQLiteDatabase::Create(path);
        schemaStatements = true;
        CreateSchema(*opening.db);
        CheckOwnTables(*opening.db);
    } catch (const EGeneralError& e) {
        opening.db.reset();
        opening.damaged = IsDamaged(e, schemaStatements);
        opening.message =
            opening.damaged
                ? DamagedText(path)
                : QStringLiteral("Не удалось открыть базу данных %1: %2").arg(path, e.message());
    }
    return opening;
}

QString DamagedDatabaseName(const QDateTime& when) {
    return kFileName + QStringLiteral(".damaged-") +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString MoveDamagedDatabase(const QString& programDir, const QDateTime& when) {
    const QString target = FreeName(programDir, DamagedDatabaseName(when));
    MoveFile(programDir + kFileName, programDir + target);
    for (const char* suffix : kJournalSuffixes) {
        const QString journal = programDir + kFileName + QLatin1String(suffix);
        if (QFileInfo::exists(journal))
            MoveFile(journal, programDir + target + QLatin1String(suffix));
    }
    return programDir + target;
}
