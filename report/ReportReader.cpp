#include "report/ReportReader.h"

#include "platform/GeneralError.h"

#include <QFile>

namespace {

constexpr int kFieldCount = 6;
constexpr int kSubjectField = 2;  // the one field that may span lines

QString unquoted(const QString& field) {
    if (field.size() >= 2 && field.front() == QLatin1Char('"') && field.back() == QLatin1Char('"'))
        return field.mid(1, field.size() - 2);
    return field;
}

}  // namespace

bool ReportReader::next(QStringList& fields) {
    fields.clear();
    while (m_pos < m_text.size() && lineEnd(m_pos) == m_pos)
        skipLineBreak(m_pos);
    if (m_pos >= m_text.size()) return false;
    if (!readQuoted(fields)) readPlainLine(fields);
    return true;
}

bool ReportReader::readQuoted(QStringList& fields) {
    if (m_text[m_pos] != QLatin1Char('"')) return false;
    qsizetype pos = m_pos + 1;
    for (int field = 0; field < kFieldCount - 1; ++field) {
        const qsizetype end = m_text.indexOf(u"\"\t\"", pos);
        if (end < 0 || (field != kSubjectField && end > lineEnd(pos))) {
            fields.clear();
            return false;
        }
        fields.append(m_text.mid(pos, end - pos));
        pos = end + 3;
    }
    const qsizetype end = lineEnd(pos);
    if (end - 1 < pos || m_text[end - 1] != QLatin1Char('"')) {
        fields.clear();
        return false;
    }
    fields.append(m_text.mid(pos, end - 1 - pos));
    m_pos = end;
    skipLineBreak(m_pos);
    return true;
}

void ReportReader::readPlainLine(QStringList& fields) {
    const qsizetype end = lineEnd(m_pos);
    for (const QString& field : m_text.mid(m_pos, end - m_pos).split(QLatin1Char('\t')))
        fields.append(unquoted(field));
    m_pos = end;
    skipLineBreak(m_pos);
}

qsizetype ReportReader::lineEnd(qsizetype from) const {
    for (qsizetype i = from; i < m_text.size(); ++i) {
        if (m_text[i] == QLatin1Char('\r') || m_text[i] == QLatin1Char('\n')) return i;
    }
    return m_text.size();
}

void ReportReader::skipLineBreak(qsizetype& pos) const {
    if (pos < m_text.size() && m_text[pos] == QLatin1Char('\r')) ++pos;
    if (pos < m_text.size() && m_text[pos] == QLatin1Char('\n')) ++pos;
}

QString ReadReportText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ThrowFileReadError(path, file.errorString());
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    return QString::fromUtf8(bytes);
}
