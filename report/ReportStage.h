#pragma once

#include "crawl/RunHooks.h"
#include "platform/GeneralError.h"

#include <QDateTime>
#include <QStringList>

// The report stage at the end of a drained run: for every line of the INN
// list, the contracts stored under its INN are written to the report file of
// its group, unless their link was reported before ("shown.txt"). Runs on the
// controller thread; logs through context.addLogLine.
//
// Report files: ProgramDir + RunStamp + ".tab" for a line without a group,
// ProgramDir + SafeFolderName(group) + "/" + RunStamp + ".tab" otherwise (the
// folder is created when missing). "shown.txt" in ProgramDir gets the links
// of every INN as soon as its contracts are written, in
// context.shownLinksEncoding, and is left sorted when the stage ends. A link
// joins the shown links only once its line is written, so a failed write
// never hides a contract from later reports. Afterwards, also after a
// failure, context.shownLinks holds the shown links as they stand.
//
// Gives the paths of the report files written (see ReportFiles), and leaves
// in context.figures, also after a failure, what each listed INN without a
// group and each group gave: new lines, contracts held back as shown, file. Throws
// EReportStageError when a folder cannot be created, a file cannot be written
// or the database fails: the stage ends there, the files written so far stay
// and "shown.txt" is saved for the INN being processed.
QStringList RunReportStage(ReportContext& context);

// The same with the moment the stage starts given, which names the files.
QStringList RunReportStage(ReportContext& context, const QDateTime& startTime);
