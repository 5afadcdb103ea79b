#pragma once

#include "crawl/TScraper.h"

#include <QDate>
#include <QString>
#include <QStringList>

// Puts a run together from the subsystems: the card handlers, the report
// stage and the workbooks. Shared by the window and the console front end.
RunParameters AssembleRun(TSQLiteDatabase& db, const QString& programDir, const QDate& from,
                          const QDate& to, const QString& tesseractExe);

// The distinct INNs of the INN list text, in list order (empty lines left out).
QStringList ListedInns(const QString& innListText);

// Turns the run into a search by INN over the INNs of the list text.
void SearchListedInns(RunParameters& parameters, const QString& innListText);
