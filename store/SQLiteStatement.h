#pragma once

struct sqlite3_stmt;

// Owns one prepared SQLite statement and finalizes it when destroyed, so no
// statement outlives an error path. Movable, not copyable; never throws.
class TSQLiteStatement {
public:
    TSQLiteStatement() noexcept = default;
    explicit TSQLiteStatement(sqlite3_stmt* stmt) noexcept : m_stmt(stmt) {}
    ~TSQLiteStatement();

    TSQLiteStatement(TSQLiteStatement&& other) noexcept;
    TSQLiteStatement& operator=(TSQLiteStatement&& other) noexcept;
    TSQLiteStatement(const TSQLiteStatement&) = delete;
    TSQLiteStatement& operator=(const TSQLiteStatement&) = delete;

    sqlite3_stmt* get() const noexcept { return m_stmt; }
    explicit operator bool() const noexcept { return m_stmt != nullptr; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};
