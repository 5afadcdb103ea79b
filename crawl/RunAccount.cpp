// The controller's account of its run: the figures it keeps job by job, the
// layout warning, and the summary the log ends with.
#include "crawl/TScraper.h"

#include "store/ContractStore.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

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

// The search by INN's figures, read from the store once the crawl has ended, and the warnings
// they give.
void TScraper::finishSupplierCheck() {
    if (!m_parameters.searchByInn) return;
    try {
        m_supplierFigures = m_supplierCheck.figures(
            [this](const QString& url) { return m_store->isUrlStored(url); },
            [this](const QString& inn) {
                QSet<QString> urls;
                for (const auto& [url, info] : GetContractsByInn(*m_parameters.db, inn))
                    urls.insert(url);
                return urls;
            });
    } catch (const std::exception& e) {
        LogMessageText = QStringLiteral("Ошибка: проверка поиска по ИНН не выполнена: ") +
                         QString::fromUtf8(e.what()).left(200);
        AddLogLine();
        return;
    }
    const QStringList precision = PrecisionWarnings(m_supplierFigures);
    for (const QString& warning : precision) {
        LogMessageText = warning;
        AddLogLine();
    }
    m_searchWarnings = m_supplierCheck.ignoredFilterLines() + precision;
}

RunSummary TScraper::buildSummary(bool stopped) const {
    RunSummary summary;
    const auto& registries = m_tally.registries();
    const bool unread =
        std::any_of(registries.begin(), registries.end(),
                    [](const RegistryFigures& figures) { return figures.unread() > 0; });
    summary.outcome = m_failed  ? RunOutcome::Failed
                      : stopped ? RunOutcome::Stopped
                      : unread  ? RunOutcome::Incomplete
                                : RunOutcome::Done;
    summary.checkNotMade = !Health.failureText(PortalBase()).isEmpty();
    summary.stagesText = StagesText(m_parameters.stages);
    summary.supplierSearches = m_supplierFigures;
    summary.searchWarnings = m_searchWarnings;
    summary.failureText = m_failureText;
    summary.searchByInn = m_parameters.searchByInn;
    summary.programDir = QDir::toNativeSeparators(m_parameters.programDir);
    summary.logFile = QDir::toNativeSeparators(m_parameters.programDir + LogFileName);
    summary.registries = m_tally.registries();
    summary.notes = m_parameters.accountNotes;
    summary.unreadAddresses = m_tally.unreadAddresses();
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
