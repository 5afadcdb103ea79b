#include "crawl/RunLogFile.h"

#include "crawl/LogFileName.h"
#include "platform/TextFile.h"

#include <QFileInfo>

bool RunLogFile::open(const QString& path) {
    m_path = path;
    m_failure.clear();
    m_file.close();
    m_file.setFileName(path);
    // Unbuffered: each line reaches the file when it is written.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        fail();
        return false;
    }
    if (!WriteWhole(m_file, QByteArrayLiteral("\xEF\xBB\xBF"))) fail();
    return true;
}

QString RunLogFile::openNew(const QString& programDir, QString name) {
    // The name was free when chosen; the bound only keeps a folder that refuses every new
    // file from holding the run.
    for (int attempt = 1; !open(programDir + name) && attempt < 100; ++attempt) {
        if (!QFileInfo::exists(programDir + name)) break;  // refused for another reason
        name = KeepLogFileNameFree(programDir, name);
    }
    return name;
}

bool RunLogFile::append(const QString& line) {
    if (!m_file.isOpen()) return false;
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    if (!WriteWhole(m_file, text.toUtf8())) {
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
    if (m_failure.isEmpty()) m_failure = WriteFailureReason(m_file);
    m_file.close();
}
