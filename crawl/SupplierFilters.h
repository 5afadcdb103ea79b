#pragma once

#include "crawl/PortalSearch.h"

#include <QString>

// The portal's supplier filter: per registry, the name of the search parameter that narrows
// the registry's search to one supplier's contracts. The search by INN puts the INN into it.
// Users can follow a change of the portal through settings.ini, section [Portal].
struct SupplierFilters {
    // 44-FZ and 223-FZ name the supplier in "supplierTitle" (an INN, or a part of the name);
    // the capital-repair search takes the contractor's name or INN in "subContractNameInn".
    QString contracts44 = QStringLiteral("supplierTitle");
    QString contracts223 = QStringLiteral("supplierTitle");
    QString capitalRepairs = QStringLiteral("subContractNameInn");

    // The registry's parameter name; empty: the search by INN leaves the registry out.
    const QString& nameFor(PortalRegistry registry) const;
    QString& nameFor(PortalRegistry registry);

    // The settings.ini key (section [Portal]) of the registry's parameter name.
    static QString settingKey(PortalRegistry registry);
};

// True for a name that can stand in a query as it is: Latin letters, digits, "_", "-", ".".
bool IsPlainParameterName(const QString& name);
