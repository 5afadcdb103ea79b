#pragma once

#include "crawl/RunHooks.h"
#include "report/InnRequest.h"
#include "report/ReportFiles.h"
#include "report/ReportRows.h"
#include "report/ShownLinksFile.h"
#include "store/ContractStore.h"

#include <QChar>
#include <QSet>
#include <QString>
#include <vector>

// The state of one report stage: the shown links (held against other copies
// of the program), the files written, the run's file name. Reports one INN
// list line at a time; see ReportStage.h.
class ReportRun {
public:
    // rows: where the rows written go for the workbook step; may be null.
    ReportRun(ReportContext& context, QString runStamp, ShownLinksFile& shown, ReportRows* rows);

    // Writes the contracts of the request's INN not shown yet, each link
    // saved to "shown.txt" right after its line. A group whose folder cannot
    // be made is logged once and its contracts left for a later run. Throws
    // EGeneralError when a report file cannot be written or the database fails.
    void reportInn(const InnRequest& request);

    // Leaves "shown.txt" sorted after the last INN. Throws EGeneralError.
    void finish();
    // After an error: saves what is not saved yet, as far as possible, and
    // logs a failure to do so.
    void finishAfterError() noexcept;

    QStringList files() const { return m_files.paths(); }
    // What each listed INN without a group, and each group, gave so far.
    const std::vector<ReportFigures>& figures() const { return m_figures; }
    const ShownLinks& shownLinks() const { return m_shown.links(); }

private:
    void reportContract(const InnRequest& request, const TUrlContractInfo& contract,
                        ReportFigures& figures);
    std::size_t figuresIndex(const InnRequest& request);
    // The group's report file; empty when its folder cannot be made (logged once).
    QString reportPath(const QString& group);

    ReportContext& m_context;
    const QString m_runStamp;
    const QChar m_decimalSeparator;
    ShownLinksFile& m_shown;
    ReportRows* m_rows;
    ReportFiles m_files;
    QSet<QString> m_failedFolders;
    std::vector<ReportFigures> m_figures;
};
