#include "app/ProgramSettings.h"

#include <QSettings>

namespace {

QString settingsPath(const QString& programDir) {
    return programDir + QStringLiteral("settings.ini");
}

}  // namespace

int ProgramSettings::clampThreads(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok) return kMinThreads;
    return static_cast<int>(qBound(qlonglong(kMinThreads), value, qlonglong(kMaxThreads)));
}

ProgramSettings ProgramSettings::load(const QString& programDir) {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ProgramSettings settings;
    settings.threads = clampThreads(ini.value(QStringLiteral("Settings/Threads")).toString());
    settings.portal = ini.value(QStringLiteral("Settings/Portal")).toString().trimmed();
    settings.searchByInn = ini.value(QStringLiteral("Settings/SearchByInn"), false).toBool();
    return settings;
}

void ProgramSettings::save(const QString& programDir) const {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Settings/Threads"), threads);
    ini.setValue(QStringLiteral("Settings/SearchByInn"), searchByInn);
    ini.sync();
}
