// The controller's account of its run: the figures it keeps job by job, the
// layout warning, and the summary the log ends with.
#include "crawl/TScraper.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The workbook the spreadsheet step wrote beside a report file, when it did.
QString WorkbookOf(const QString& reportFile) {
    if (!reportFile.endsWith(QLatin1String(".tab"))) return {};
    const QString workbook = reportFile.chopped(4) + QStringLiteral(".xlsx");
    return QFileInfo::exists(workbook) ? workbook : QString();
}

}  // namespace

void TScraper::tallyJob(const FinishedJob& job, int storedBefore,
                        DocumentInnsResult::Source source) {
    const QString warning =
        m_tally.noteJob(job, m_pageLackedPart, m_store->contractsStored() - storedBefore, source);
    if (!warning.isEmpty()) addJobLog(warning);
}

RunSummary TScraper::buildSummary(bool stopped) const {
    RunSummary summary;
    summary.outcome =
        m_failed ? RunOutcome::Failed : (stopped ? RunOutcome::Stopped : RunOutcome::Done);
    summary.failureText = m_failureText;
    summary.searchByInn = m_parameters.searchByInn;
    summary.programDir = QDir::toNativeSeparators(m_parameters.programDir);
    summary.registries = m_tally.registries();
    summary.notes = m_parameters.accountNotes;
    // A stop during the report stage keeps what the stage wrote in the account.
    summary.reportStageRan = m_reportStageRan;
    summary.reportStageCut = m_reportStageCut;
    if (!stopped || m_reportStageRan) {
        summary.reports = m_reportFigures;
        for (ReportFigures& report : summary.reports)
            report.workbookFile = WorkbookOf(report.reportFile);
    }
    return summary;
}

void TScraper::writeRunSummary(const RunSummary& summary) {
    for (const QString& line : summary.lines()) {
        LogMessageText = line;
        AddLogLine();
    }
}
