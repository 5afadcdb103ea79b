#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <initializer_list>

// The "name=value" lines the 223-FZ handlers hand on: a purchase notice's
// number and the key of its protocol attachment. A name is looked up with
// letter case ignored, and the first line of a name counts. Keyed by name: a
// large run adds thousands of lines, and every documents page looks one up.
// Controller thread only.
class NoticeDocumentKeys {
public:
    NoticeDocumentKeys() = default;
    NoticeDocumentKeys(std::initializer_list<QString> lines) {
        for (const QString& line : lines)
            append(line);
    }
    NoticeDocumentKeys(const QStringList& lines) {  // NOLINT(google-explicit-constructor)
        for (const QString& line : lines)
            append(line);
    }

    // A line without "=" is kept but names nothing.
    void append(const QString& line) {
        m_lines.append(line);
        const qsizetype separator = line.indexOf(u'=');
        if (separator < 0) return;
        const QString name = line.left(separator).toCaseFolded();
        if (!m_values.contains(name)) m_values.insert(name, line.mid(separator + 1));
    }
    // The value of the first line whose name equals name; empty when none has it.
    QString value(const QString& name) const { return m_values.value(name.toCaseFolded()); }

    bool isEmpty() const { return m_lines.isEmpty(); }
    const QStringList& lines() const { return m_lines; }
    friend bool operator==(const NoticeDocumentKeys& keys, const QStringList& lines) {
        return keys.m_lines == lines;
    }

private:
    QStringList m_lines;  // as added, in order
    QHash<QString, QString> m_values;
};
