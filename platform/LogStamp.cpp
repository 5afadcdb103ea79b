#include "platform/LogStamp.h"

#include "platform/RegionalSettings.h"

QString LogTimeStamp(const QDateTime& at) {
    const RegionalFormats formats = RegionalSettings::current();
    return at.toString(formats.shortDateFormat) + QLatin1Char(' ') +
           at.toString(formats.longTimeFormat);
}
