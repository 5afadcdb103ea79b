#pragma once

#include "platform/RegionalSettings.h"
#include "store/SQLiteWrap.h"

#include <QString>
#include <QTemporaryDir>
#include <cstdint>

// A real database file in a fresh temporary folder, removed afterwards.
class TempDatabase {
public:
    TempDatabase();

    QString path() const { return dir.filePath(QStringLiteral("db.s3db")); }
    std::int64_t value(const QString& sql) { return db.GetTableValue(sql); }
    QString text(const QString& sql);
    // No prepared statement is left open on the connection.
    bool noOpenStatements() const;
    // No transaction is left open.
    bool autocommit() const;

    QTemporaryDir dir;
    TSQLiteDatabase db;
};

// Regional settings in force for one test; the system's again afterwards.
class ScopedRegionalFormats {
public:
    ScopedRegionalFormats(QChar decimalSeparator, const QString& shortDateFormat);
    ~ScopedRegionalFormats() { RegionalSettings::resetToSystem(); }
    ScopedRegionalFormats(const ScopedRegionalFormats&) = delete;
    ScopedRegionalFormats& operator=(const ScopedRegionalFormats&) = delete;
};
