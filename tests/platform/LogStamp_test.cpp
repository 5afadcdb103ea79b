#include "platform/LogStamp.h"
#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

TEST(LogTimeStamp, UsesTheShortDateAndLongTimeFormats) {
    RegionalFormats formats;
    formats.shortDateFormat = QStringLiteral("dd.MM.yyyy");
    formats.longTimeFormat = QStringLiteral("H:mm:ss");
    RegionalSettings::override(formats);
    const QDateTime at(QDate(2024, 3, 5), QTime(7, 4, 9));
    EXPECT_EQ(LogTimeStamp(at).toStdString(), "05.03.2024 7:04:09");
    RegionalSettings::resetToSystem();
}
