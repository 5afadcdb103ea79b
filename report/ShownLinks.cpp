#include "report/ShownLinks.h"

ShownLinks::ShownLinks(const QStringList& lines) {
    for (const QString& line : lines) {
        if (!line.isEmpty()) m_links.insert(line);
    }
}

void ShownLinks::add(const QString& url) {
    if (m_links.insert(url).second) m_changed = true;
}

QStringList ShownLinks::lines() const {
    QStringList lines;
    lines.reserve(size());
    for (const QString& link : m_links)
        lines.append(link);
    return lines;
}

void SaveShownLinks(const QString& path, const ShownLinks& links, TextEncoding encoding) {
    const QStringList lines = links.lines();
    qsizetype length = 0;
    for (const QString& line : lines)
        length += line.size() + 2;
    QString text;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += u"\r\n";
    }
    WriteTextFile(path, text, encoding);
}
