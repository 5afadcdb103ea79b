#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

TEST(RegionalSettings, OverrideReplacesTheSystemFormatsUntilReset) {
    RegionalFormats comma;
    comma.decimalSeparator = QLatin1Char(',');
    comma.shortDateFormat = QStringLiteral("dd.MM.yyyy");
    RegionalSettings::override(comma);
    EXPECT_EQ(RegionalSettings::current().decimalSeparator, QLatin1Char(','));

    RegionalSettings::resetToSystem();
    const RegionalFormats system = RegionalSettings::current();
    EXPECT_EQ(system.decimalSeparator, RegionalSettings::fromSystem().decimalSeparator);
    EXPECT_FALSE(system.shortDateFormat.isEmpty());
    // The long time format never carries a time zone name.
    EXPECT_FALSE(system.longTimeFormat.contains(QLatin1Char('t')));
}
