#pragma once

#include <QString>
#include <QStringList>
#include <set>

// The full paths of the report files a run wrote, for the workbook step:
// sorted without regard to letter case, each path once. Paths that differ
// only in case name different files on this system and are both kept (the
// case-sensitive order decides between them).
class ReportFiles {
public:
    void add(const QString& path) { m_paths.insert(path); }
    QStringList paths() const;

private:
    struct PathLess {
        bool operator()(const QString& a, const QString& b) const;
    };
    std::set<QString, PathLess> m_paths;
};
