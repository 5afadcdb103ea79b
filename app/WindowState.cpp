#include "app/WindowState.h"

#include <QSettings>

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

QString settingsPath(const QString& programDir) {
    return programDir + QStringLiteral("settings.ini");
}

QString dateText(const QDate& date) {
    return date.isValid() ? date.toString(kDateFormat) : QString();
}

}  // namespace

WindowState WindowState::load(const QString& programDir) {
    const QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    WindowState state;
    state.hasRange = ini.contains(QStringLiteral("Settings/DateFrom")) ||
                     ini.contains(QStringLiteral("Settings/DateTo"));
    state.dateFrom = QDate::fromString(
        ini.value(QStringLiteral("Settings/DateFrom")).toString().trimmed(), kDateFormat);
    state.dateTo = QDate::fromString(
        ini.value(QStringLiteral("Settings/DateTo")).toString().trimmed(), kDateFormat);
    state.geometry =
        QByteArray::fromBase64(ini.value(QStringLiteral("Window/Geometry")).toString().toLatin1());
    state.splitter =
        QByteArray::fromBase64(ini.value(QStringLiteral("Window/Splitter")).toString().toLatin1());
    return state;
}

bool WindowState::save(const QString& programDir) const {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Settings/DateFrom"), dateText(dateFrom));
    ini.setValue(QStringLiteral("Settings/DateTo"), dateText(dateTo));
    ini.setValue(QStringLiteral("Window/Geometry"), QString::fromLatin1(geometry.toBase64()));
    ini.setValue(QStringLiteral("Window/Splitter"), QString::fromLatin1(splitter.toBase64()));
    ini.sync();
    return ini.status() == QSettings::NoError;
}
