#pragma once

#include <QString>

// The portal address a run is pointed at ("Portal=" in settings.ini, the
// console's --portal): a scheme of https or http, a host, an optional port and
// nothing else. Trailing "/" are dropped, since every path is appended to it.
struct PortalAddressCheck {
    QString base;     // the address to use, when it is sound
    QString problem;  // a Russian message naming the value; empty when sound
};

PortalAddressCheck CheckPortalAddress(const QString& text);
