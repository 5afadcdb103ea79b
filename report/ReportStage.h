#pragma once

#include "crawl/RunHooks.h"
#include "platform/GeneralError.h"

#include <QDateTime>
#include <QStringList>
#include <optional>

class ReportRows;

// The report stage at the end of a drained run: for every line of the INN
// list, the contracts stored under its INN are written to the report file of
// its group, unless their link was reported before ("shown.txt"). Runs on the
// controller thread; logs through context.addLogLine.
//
// Report files: ProgramDir + RunStamp + ".tab" for a line without a group,
// ProgramDir + SafeFolderName(group) + "/" + RunStamp + ".tab" otherwise (the
// folder is created when missing). A group whose folder cannot be made is
// logged and left for a later run; the other groups are still reported.
//
// Two copies of the program on one folder take turns: the stage holds
// "shown.txt.lock" from start to end (waiting, with a log line, while another
// copy holds it) and reads "shown.txt" afresh under it. Each link is
// appended to "shown.txt" right after its line is written, so a kill never
// gets a contract reported twice (see ShownLinksFile.h), and the file is left
// sorted, in the encoding it had (context.shownLinksEncoding when new), when
// the stage ends. A link joins the shown links only once its line is
// written, so a failed write never hides a contract from later reports.
// Afterwards, also after a failure, context.shownLinks holds the shown links.
//
// Gives the paths of the report files written (see ReportFiles), and leaves
// in context.figures, also after a failure, what each listed INN without a
// group and each group gave: new lines, contracts held back as shown, file.
// Throws EReportStageError when a file cannot be written or the database
// fails: the stage ends there, and the files and links written so far stay.
QStringList RunReportStage(ReportContext& context);

// The same with the moment the stage starts given, which names the files.
QStringList RunReportStage(ReportContext& context, const QDateTime& startTime);

// The same, keeping for the workbook step the rows written and the earlier
// report files without a workbook (rows may be null); without a start time
// the moment the folder's lock is taken names the files.
QStringList RunReportStage(ReportContext& context, ReportRows* rows,
                           const std::optional<QDateTime>& startTime = std::nullopt);

// The report stage over what is stored, outside a drained run (after a stop,
// or on its own): the same rules and "shown.txt", its files named RunStamp +
// kCollectedReportSuffix + ".tab", so they read as partial.
inline const QString kCollectedReportSuffix = QStringLiteral("_частичный");
QStringList RunCollectedReportStage(ReportContext& context, ReportRows* rows,
                                    const std::optional<QDateTime>& startTime = std::nullopt);
