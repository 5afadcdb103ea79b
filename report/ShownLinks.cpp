#include "report/ShownLinks.h"

#include "platform/GeneralError.h"

#include <QFile>

namespace {

QString joinedLines(const QStringList& lines) {
    qsizetype length = 0;
    for (const QString& line : lines)
        length += line.size() + 2;
    QString text;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

}  // namespace

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

void SaveShownLinks(const QString& path, const ShownLinks& links, TextEncoding encoding) {
    WriteTextFile(path, joinedLines(links.lines()), encoding);
}

void AppendShownLinks(const QString& path, const QStringList& links, TextEncoding encoding) {
    // The encoding's byte-order mark is what it gives for an empty text.
    const qsizetype markSize = EncodeText(QString(), encoding).size();
    const QByteArray bytes = EncodeText(joinedLines(links), encoding).mid(markSize);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        ThrowFileWriteError(path, file.errorString());
    }
}
