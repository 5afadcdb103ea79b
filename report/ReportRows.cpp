#include "report/ReportRows.h"

#include <QFileInfo>

void ReportRows::startFile(const QString& path, const QStringList& header) {
    File& file = m_files[path];
    file.rows.clear();
    file.rows.push_back(header);
}

void ReportRows::add(const QString& path, const QStringList& fields, qint64 fileSize) {
    const auto found = m_files.find(path);
    if (found == m_files.end()) return;
    found->second.rows.push_back(fields);
    found->second.size = fileSize;
}

const std::vector<QStringList>* ReportRows::rowsOf(const QString& path) const {
    const auto found = m_files.find(path);
    if (found == m_files.end()) return nullptr;
    // Another copy that appended to the file since (a run in the same second)
    // has rows this one never saw.
    if (QFileInfo(path).size() != found->second.size) return nullptr;
    return &found->second.rows;
}

void ReportRows::clear() {
    m_files.clear();
    withoutWorkbook.clear();
}
