#include "tests/store/StoreTestSupport.h"

#include <sqlite3.h>

TempDatabase::TempDatabase() : db(dir.filePath(QStringLiteral("db.s3db"))) {}

QString TempDatabase::text(const QString& sql) {
    const TSQLiteTable table = db.GetTable(sql);
    return table.FieldAsString(0);
}

bool TempDatabase::noOpenStatements() const {
    return sqlite3_next_stmt(db.DB(), nullptr) == nullptr;
}

bool TempDatabase::autocommit() const {
    return sqlite3_get_autocommit(db.DB()) != 0;
}

ScopedRegionalFormats::ScopedRegionalFormats(QChar decimalSeparator,
                                             const QString& shortDateFormat) {
    RegionalFormats formats;
    formats.decimalSeparator = decimalSeparator;
    formats.shortDateFormat = shortDateFormat;
    RegionalSettings::override(formats);
}
