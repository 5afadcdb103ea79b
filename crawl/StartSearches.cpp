#include "crawl/StartSearches.h"

#include "crawl/PortalSearch.h"

#include <QUrl>

namespace {

const QString kAnchor = QStringLiteral("morphology=on&");
const QString kName = QStringLiteral("searchString");

// The registries as the log names them.
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

}  // namespace

QString WithSearchString(const QString& address, const QString& text) {
    const qsizetype at = address.indexOf(kAnchor);
    if (at < 0) return address;
    // An INN is digits and passes unchanged; anything else must not break the address.
    const QString value = QString::fromLatin1(QUrl::toPercentEncoding(text));
    QString result = address;
    return result.insert(at + kAnchor.size(), kName + u'=' + value + u'&');
}

QString SearchStringOf(const QString& address) {
    return QueryParamValue(address, kName);
}

std::vector<StartSearchGroup> BuildStartSearches(bool searchByInn, const QStringList& inns,
                                                 const QString& fromText, const QString& toText) {
    std::vector<StartSearchGroup> groups;
    if (!searchByInn) {
        StartSearchGroup all;
        for (PortalRegistry registry : kStartOrder)
            all.addresses.append(BuildStartAddress(registry, fromText, toText));
        groups.push_back(all);
        return groups;
    }
    for (const QString& inn : inns) {
        StartSearchGroup group;
        QStringList labels;
        for (PortalRegistry registry : kStartOrder) {
            group.addresses.append(
                WithSearchString(BuildStartAddress(registry, fromText, toText), inn));
            labels.append(RegistryLabel(registry));
        }
        group.logLine = QStringLiteral("Поиск по ИНН ") + inn + QStringLiteral(": ") +
                        labels.join(QStringLiteral(", "));
        groups.push_back(group);
    }
    return groups;
}
