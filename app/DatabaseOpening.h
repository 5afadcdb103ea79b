#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

class TSQLiteDatabase;

// Opening the program's database "db.s3db", shared by both front ends. A file
// that is not an SQLite database, is damaged, or holds tables of some other
// program is told apart from other failures (a folder without rights), so the
// user can be offered to put it aside and start a new one. Nothing here ever
// deletes or overwrites a file.

struct DatabaseOpening {
    std::unique_ptr<TSQLiteDatabase> db;  // open with its schema; null on failure
    bool damaged = false;                 // damaged, or not a database of this program
    QString message;                      // Russian, when db is null
};

// Opens programDir + "db.s3db", creating it with its schema when missing.
DatabaseOpening OpenProgramDatabase(const QString& programDir);

// "db.s3db.damaged-YYYYMMDD-HHMMSS" for the moment given.
QString DamagedDatabaseName(const QDateTime& when);

// Renames "db.s3db" to DamagedDatabaseName(when) (with "_2", "_3", ... when
// that name is taken), and its journal files ("-journal", "-wal", "-shm") with
// it, so that a new database never meets the old one's journal. Gives the new
// path of the database file. Throws EGeneralError when a file cannot be moved.
QString MoveDamagedDatabase(const QString& programDir,
                            const QDateTime& when = QDateTime::currentDateTime());
