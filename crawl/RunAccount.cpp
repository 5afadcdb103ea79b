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
    const bool unread = m_tally.unreadAddresses().size() > 0;
    summary.outcome = m_failed  ? RunOutcome::Failed
                      : stopped ? RunOutcome::Stopped
                      : unread  ? RunOutcome::Incomplete
                                : RunOutcome::Done;
    summary.failureText = m_failureText;
    summary.searchByInn = m_parameters.searchByInn;
    summary.programDir = QDir::toNativeSeparators(m_parameters.programDir);
    summary.registries = m_tally.registries();
    summary.unreadAddresses = m_tally.unreadAddresses();
    if (!stopped) {
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
