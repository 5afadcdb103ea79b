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

std::optional<int> ProgramSettings::parseThreads(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < kMinThreads || value > kMaxThreads) return std::nullopt;
    return value;
}

ProgramSettings ProgramSettings::load(const QString& programDir) {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ProgramSettings settings;
    const QVariant threads = ini.value(QStringLiteral("Settings/Threads"));
    settings.threads = clampThreads(threads.toString());
    if (threads.isValid() && !parseThreads(threads.toString())) {
        settings.threadsProblem = QStringLiteral(
                                      "В settings.ini значение Threads=%1 — не число от 1 до 1000; "
                                      "используется %2")
                                      .arg(threads.toString())
                                      .arg(settings.threads);
    }
    settings.portal = ini.value(QStringLiteral("Settings/Portal")).toString().trimmed();
    settings.searchByInn = ini.value(QStringLiteral("Settings/SearchByInn"), false).toBool();
    return settings;
}

bool ProgramSettings::save(const QString& programDir) const {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Settings/Threads"), threads);
    ini.setValue(QStringLiteral("Settings/SearchByInn"), searchByInn);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
