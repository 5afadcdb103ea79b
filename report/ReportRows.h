#pragma once

#include "report/WorkbookSheets.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

// What the report stage hands the workbook step besides the list of report
// files: the rows it wrote to each file it started (header first), so the
// workbook holds exactly those values rather than the file read back, and
// the report files of earlier runs that have no workbook (a run killed
// before or during its workbook step). Filled on the controller thread by
// the stage, read by the workbook step after it.
class ReportRows {
public:
    // The stage started the file with its header row.
    void startFile(const QString& path, const QStringList& header);
    // A row written to the file; kept only for a file the stage started.
    void add(const QString& path, const QStringList& fields, qint64 fileSize);

    // The rows of the file, when the stage started it and nobody has written
    // it since; null otherwise (the workbook is then made from the file).
    const std::vector<QStringList>* rowsOf(const QString& path) const;

    QStringList withoutWorkbook;  // earlier runs' report files, full paths
    // What the sheets after the report's own are made from; none without a database.
    WorkbookSheetsSource sheets;

    void clear();

private:
    struct File {
        std::vector<QStringList> rows;
        qint64 size = 0;  // the file's size after the last row
    };
    std::map<QString, File> m_files;
};
