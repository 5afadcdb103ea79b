#include "crawl/SupplierFilters.h"

const QString& SupplierFilters::nameFor(PortalRegistry registry) const {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return contracts44;
        case PortalRegistry::Contracts223:
            return contracts223;
        case PortalRegistry::CapitalRepairs:
            break;
    }
    return capitalRepairs;
}

QString& SupplierFilters::nameFor(PortalRegistry registry) {
    return const_cast<QString&>(std::as_const(*this).nameFor(registry));
}

QString SupplierFilters::settingKey(PortalRegistry registry) {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return QStringLiteral("SupplierFilter44");
        case PortalRegistry::Contracts223:
            return QStringLiteral("SupplierFilter223");
        case PortalRegistry::CapitalRepairs:
            break;
    }
    return QStringLiteral("SupplierFilterCapitalRepairs");
}

bool IsPlainParameterName(const QString& name) {
    if (name.isEmpty() || name.size() > 100) return false;
    for (const QChar c : name) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.';
        if (!plain) return false;
    }
    return true;
}
