#pragma once

#include <QString>
#include <QStringList>

// Report files whose workbook was never finished, so that a later run makes
// it: a run killed before or during its workbook step leaves its ".tab"
// files without their ".xlsx". Workbooks are written under a temporary name
// (WorkbookPartPath) and renamed into place, so a workbook at its final name
// is always whole.

// The report files (named by a run's date and time, ".tab") in the program
// folder and its group folders that have no workbook beside them, sorted.
// Also removes the temporary workbooks of copies of the program that are no
// longer running. programDir with a trailing "/".
QStringList ReportsWithoutWorkbook(const QString& programDir);

// The temporary name a workbook is written under by this process, in the
// workbook's own folder: "<name>.xlsx.<process id>.part".
QString WorkbookPartPath(const QString& workbookPath);
