#pragma once

#include "crawl/RunHooks.h"
#include "report/InnRequest.h"
#include "report/ReportFiles.h"
#include "report/ShownLinks.h"
#include "store/ContractStore.h"

#include <QChar>
#include <QString>
#include <vector>

// The state of one report stage: the shown links, the files written, the
// run's file name. Reports one INN list line at a time; see ReportStage.h.
class ReportRun {
public:
    ReportRun(ReportContext& context, QString runStamp);

    // Writes the contracts of the request's INN not shown yet, then saves the
    // links it added to "shown.txt". Throws EGeneralError.
    void reportInn(const InnRequest& request);

    // Leaves "shown.txt" sorted after the last INN. Throws EGeneralError.
    void finish();
    // After an error: saves what is not saved yet, as far as possible, and
    // logs a failure to do so.
    void finishAfterError() noexcept;

    QStringList files() const { return m_files.paths(); }
    // What each listed INN without a group, and each group, gave so far.
    const std::vector<ReportFigures>& figures() const { return m_figures; }
    const ShownLinks& shownLinks() const { return m_shown; }

private:
    void reportContract(const InnRequest& request, const TUrlContractInfo& contract,
                        ReportFigures& figures);
    std::size_t figuresIndex(const InnRequest& request);
    QString reportPath(const QString& group) const;
    QString shownPath() const;
    void saveShownLinks();

    ReportContext& m_context;
    const QString m_runStamp;
    const QChar m_decimalSeparator;
    ShownLinks m_shown;
    ReportFiles m_files;
    bool m_shownWritten = false;   // "shown.txt" rewritten whole in this stage
    bool m_shownUnsorted = false;  // links appended since
    std::vector<ReportFigures> m_figures;
};
