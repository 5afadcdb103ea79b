#include "store/SQLiteStatement.h"

#include <sqlite3.h>
#include <utility>

TSQLiteStatement::~TSQLiteStatement() {
    // sqlite3_finalize repeats the statement's last error code, which has
    // already been reported; there is nothing left to do with it here.
    sqlite3_finalize(m_stmt);
}

TSQLiteStatement::TSQLiteStatement(TSQLiteStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

TSQLiteStatement& TSQLiteStatement::operator=(TSQLiteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}
