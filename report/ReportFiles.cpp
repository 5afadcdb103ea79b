#include "report/ReportFiles.h"

bool ReportFiles::PathLess::operator()(const QString& a, const QString& b) const {
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

QStringList ReportFiles::paths() const {
    return QStringList(m_paths.begin(), m_paths.end());
}
