#include "platform/RegionalSettings.h"

#include <QLocale>
#include <mutex>
#include <optional>

namespace {

std::mutex g_mutex;
std::optional<RegionalFormats> g_formats;

}  // namespace

RegionalFormats RegionalSettings::fromSystem() {
    const QLocale locale = QLocale::system();
    RegionalFormats formats;
    formats.decimalSeparator = locale.decimalPoint().at(0);
    const QString group = locale.groupSeparator();
    formats.thousandsSeparator = group.isEmpty() ? QLatin1Char(' ') : group.at(0);
    formats.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    // Qt's long time format ends in the time zone ("t"); the system's long
    // time of the desktop the program was written for has none.
    formats.longTimeFormat =
        locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
    // The C locale names no day-first date or seconds-precision time; keep the
    // program's defaults there so log stamps and stored dates stay readable.
    if (locale.language() == QLocale::C) {
        formats.shortDateFormat = RegionalFormats().shortDateFormat;
        formats.longTimeFormat = RegionalFormats().longTimeFormat;
    }
    return formats;
}

RegionalFormats RegionalSettings::current() {
    std::lock_guard lock(g_mutex);
    if (!g_formats) g_formats = fromSystem();
    return *g_formats;
}

void RegionalSettings::override(const RegionalFormats& formats) {
    std::lock_guard lock(g_mutex);
    g_formats = formats;
}

void RegionalSettings::resetToSystem() {
    std::lock_guard lock(g_mutex);
    g_formats.reset();
}
