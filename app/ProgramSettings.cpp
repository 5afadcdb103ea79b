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
    const QVariant stages = ini.value(QStringLiteral("Settings/Stages"));
    if (stages.isValid()) {
        if (const auto parsed = parseStages(stages.toString())) {
            settings.stages = *parsed;
        } else {
            settings.problems << QStringLiteral(
                                     "В settings.ini значение Stages=%1 не понято (first или "
                                     "all); ищем только исполняемые контракты")
                                     .arg(stages.toString().left(100));
        }
    }
    const QVariant overlap = ini.value(QStringLiteral("Watch/OverlapDays"));
    if (overlap.isValid()) {
        bool ok = false;
        const int days = overlap.toString().trimmed().toInt(&ok);
        if (ok && days >= 0 && days <= 365) {
            settings.watchOverlapDays = days;
        } else {
            settings.problems << QStringLiteral(
                                     "В settings.ini значение [Watch] OverlapDays=%1 — не число "
                                     "от 0 до 365; используется %2")
                                     .arg(overlap.toString().left(100))
                                     .arg(kDefaultOverlapDays);
        }
    }
    for (PortalRegistry registry : kStartOrder) {
        const QString key = QStringLiteral("Portal/") + SupplierFilters::settingKey(registry);
        if (ini.contains(key))
            settings.supplierFilters.nameFor(registry) = ini.value(key).toString().trimmed();
    }
    return settings;
}

std::optional<ContractStages> ProgramSettings::parseStages(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("first")) return ContractStages::FirstOnly;
    if (word == QLatin1String("all")) return ContractStages::All;
    return std::nullopt;
}

QString ProgramSettings::stagesKeyword(ContractStages stages) {
    return stages == ContractStages::All ? QStringLiteral("all") : QStringLiteral("first");
}

bool ProgramSettings::save(const QString& programDir) const {
    QSettings ini(settingsPath(programDir), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Settings/Threads"), threads);
    ini.setValue(QStringLiteral("Settings/SearchByInn"), searchByInn);
    ini.setValue(QStringLiteral("Settings/Stages"), stagesKeyword(stages));
    ini.sync();
    return ini.status() == QSettings::NoError;
}
