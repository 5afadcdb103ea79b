#include "crawl/RunLogFile.h"

void RunLogFile::open(const QString& path) {
    m_path = path;
    m_failure.clear();
    m_file.close();
    m_file.setFileName(path);
    // Unbuffered: each line reaches the file when it is written.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) ||
        m_file.write("\xEF\xBB\xBF", 3) != 3) {
        fail();
    }
}

bool RunLogFile::append(const QString& line) {
    if (!m_file.isOpen()) return false;
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    const QByteArray bytes = text.toUtf8();
    if (m_file.write(bytes) != bytes.size()) {
        fail();
        return false;
    }
    return true;
}

bool RunLogFile::close() {
    m_file.close();
    return m_failure.isEmpty() && !m_path.isEmpty();
}

void RunLogFile::fail() {
    if (m_failure.isEmpty()) m_failure = m_file.errorString();
    m_file.close();
}
