#pragma once

#include "store/SQLiteWrap.h"

// One write transaction ("BEGIN IMMEDIATE TRANSACTION") on a connection: it
// takes the database's write lock at its start, waiting (the busy time-out)
// while another copy of the program holds it; a deferred one that first read
// would fail at once at its first write instead. Rolled back when the
// guard is left without Commit, e.g. by an exception that then reaches the
// caller unchanged. A failing BEGIN throws from the constructor, so no
// rollback is tried for it. Not copyable; the destructor never throws.
class TSQLiteTransaction {
public:
    explicit TSQLiteTransaction(TSQLiteDatabase& db) : m_db(db) {
        m_db.Start({}, QStringLiteral("IMMEDIATE TRANSACTION"));
    }
    ~TSQLiteTransaction() {
        if (m_committed) return;
        try {
            m_db.Rollback();
        } catch (...) {
            // SQLite may have ended the transaction itself (a full disk, an
            // I/O error); the error already on its way out is the one to report.
        }
    }
    TSQLiteTransaction(const TSQLiteTransaction&) = delete;
    TSQLiteTransaction& operator=(const TSQLiteTransaction&) = delete;

    void Commit() {
        m_db.Commit();
        m_committed = true;
    }

private:
    TSQLiteDatabase& m_db;
    bool m_committed = false;
};
