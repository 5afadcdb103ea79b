#pragma once

#include <QChar>
#include <QString>

// The user's regional settings as the program needs them: the decimal and
// thousands separators of numbers and the short date and long time formats
// (Qt date-time format strings). Read from the system locale on first use;
// tests set them explicitly. Safe to read from any thread.
struct RegionalFormats {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandsSeparator = QLatin1Char(' ');
    QString shortDateFormat = QStringLiteral("dd.MM.yyyy");
    QString longTimeFormat = QStringLiteral("HH:mm:ss");
};

namespace RegionalSettings {

// The formats in force (the system's unless overridden).
RegionalFormats current();

// Replaces the formats in force, for the whole process.
void override(const RegionalFormats& formats);

// Returns to the system's formats.
void resetToSystem();

// The formats of the system locale.
RegionalFormats fromSystem();

}  // namespace RegionalSettings
