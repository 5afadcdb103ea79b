#pragma once

#include "crawl/TScraper.h"

#include <QDate>
#include <QString>

// Puts a run together from the subsystems: the card handlers, the report
// stage and the workbooks. Shared by the window and the console front end.
RunParameters AssembleRun(TSQLiteDatabase& db, const QString& programDir, const QDate& from,
                          const QDate& to, const QString& tesseractExe);

// Turns the run into a search by INN over the distinct valid INNs of the list
// text, in list order (ValidInns).
void SearchListedInns(RunParameters& parameters, const QString& innListText);
