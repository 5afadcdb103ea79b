#include "crawl/StartSearches.h"

#include <QUrl>

namespace {

const QString kAnchor = QStringLiteral("morphology=on&");

bool Searched(const SupplierFilters& filters, PortalRegistry registry) {
    return IsPlainParameterName(filters.nameFor(registry));
}

}  // namespace

QString RegistryLabel(PortalRegistry registry) {
    switch (registry) {
        case PortalRegistry::Contracts223:
            return QStringLiteral("223-ФЗ");
        case PortalRegistry::CapitalRepairs:
            return QStringLiteral("капремонт");
        case PortalRegistry::Contracts44:
            break;
    }
    return QStringLiteral("44-ФЗ");
}

QString WithQueryParam(const QString& address, const QString& name, const QString& value) {
    const qsizetype at = address.indexOf(kAnchor);
    if (at < 0) return address;
    // An INN is digits and passes unchanged; anything else must not break the address.
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(value));
    QString result = address;
    return result.insert(at + kAnchor.size(), name + u'=' + encoded + u'&');
}

std::vector<StartSearchGroup> BuildStartSearches(const StartSearchRequest& request) {
    std::vector<StartSearchGroup> groups;
    const auto start = [&request](PortalRegistry registry) {
        return BuildStartAddress(registry, request.fromText, request.toText, request.stages);
    };
    if (!request.searchByInn) {
        StartSearchGroup all;
        for (PortalRegistry registry : kStartOrder)
            all.addresses.append(start(registry));
        groups.push_back(all);
        return groups;
    }
    for (const QString& inn : request.inns) {
        StartSearchGroup group;
        QStringList labels;
        for (PortalRegistry registry : kStartOrder) {
            if (!Searched(request.filters, registry)) continue;
            group.addresses.append(
                WithQueryParam(start(registry), request.filters.nameFor(registry), inn));
            labels.append(RegistryLabel(registry));
        }
        if (group.addresses.isEmpty()) continue;
        group.logLine = QStringLiteral("Поиск по ИНН ") + inn + QStringLiteral(": ") +
                        labels.join(QStringLiteral(", "));
        groups.push_back(group);
    }
    return groups;
}

QStringList LeftOutRegistryLines(const SupplierFilters& filters) {
    QStringList lines;
    for (PortalRegistry registry : kStartOrder) {
        const QString& name = filters.nameFor(registry);
        if (IsPlainParameterName(name)) continue;
        const QString where = QStringLiteral("settings.ini, раздел [Portal], ") +
                              SupplierFilters::settingKey(registry);
        lines << (name.isEmpty()
                      ? QStringLiteral("Поиск по ИНН не ищет в реестре %1: фильтр по поставщику "
                                       "не задан (%2 пусто)")
                            .arg(RegistryLabel(registry), where)
                      : QStringLiteral("Поиск по ИНН не ищет в реестре %1: «%2» не годится как "
                                       "имя параметра поиска (%3)")
                            .arg(RegistryLabel(registry), name.left(100), where));
    }
    return lines;
}
