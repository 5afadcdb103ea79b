#pragma once

#include "crawl/RunSummary.h"

#include <QDate>
#include <QString>
#include <functional>
#include <vector>

class TSQLiteDatabase;

// The report stage over what is stored, without a crawl: after a stop, or
// after a run was killed. The same rules and "shown.txt" as at the end of a
// run; the files are named as partial (RunCollectedReportStage), each gets
// its workbook with the sheets «Итоги» and «Все контракты» over the date
// range. Runs on the thread that owns the connection; while it runs no
// crawl may write the folder's reports (the stage takes "shown.txt.lock").
// While another copy holds that lock nothing is written and `error` says so.

struct CollectedReport {
    QStringList reportFiles;
    std::vector<ReportFigures> figures;  // per listed INN without a group and per group
    QString error;                       // the failure that ended the stage, if any
};

CollectedReport MakeCollectedReport(TSQLiteDatabase& db, const QString& programDir,
                                    const QString& innListText, const QDate& from, const QDate& to,
                                    const std::function<void(const QString&)>& addLogLine);
