#include "report/ShownLinks.h"

ShownLinks::ShownLinks(const QStringList& lines) {
    for (const QString& line : lines) {
        if (!line.isEmpty()) m_links.insert(line);
    }
}

void ShownLinks::add(const QString& url) {
    if (m_links.insert(url).second) m_added.append(url);
}

QStringList ShownLinks::lines() const {
    QStringList lines;
    lines.reserve(size());
    for (const QString& link : m_links)
        lines.append(link);
    return lines;
}
