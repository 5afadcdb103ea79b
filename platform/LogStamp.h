#pragma once

#include <QDateTime>
#include <QString>

// The time stamp that begins every log line: the local date in the short
// date format, a space and the time in the long time format of the regional
// settings.
QString LogTimeStamp(const QDateTime& at = QDateTime::currentDateTime());
