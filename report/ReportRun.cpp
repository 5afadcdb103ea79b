#include "report/ReportRun.h"

#include "platform/GeneralError.h"
#include "platform/RegionalSettings.h"
#include "report/ReportFile.h"
#include "report/SafeFolderName.h"

#include <QDir>
#include <QFileInfo>

ReportRun::ReportRun(ReportContext& context, QString runStamp)
    : m_context(context),
      m_runStamp(std::move(runStamp)),
      m_decimalSeparator(RegionalSettings::current().decimalSeparator),
      m_shown(context.shownLinks) {}

void ReportRun::reportInn(const InnRequest& request) {
    if (request.Inn.isEmpty()) return;  // finds nothing; no look-up needed
    const TContractList contracts = GetContractsByInn(m_context.db, request.Inn);
    for (const auto& [url, contract] : contracts)
        reportContract(request, contract);
    saveShownLinks();
}

void ReportRun::reportContract(const InnRequest& request, const TUrlContractInfo& contract) {
    if (m_shown.contains(contract.Url)) {
        m_context.addLogLine(QStringLiteral("ссылка уже выводилась, пропускаем ") + contract.Url);
        return;
    }
    const QString path = reportPath(request.ReportGroup);
    AppendReportLine(path, ReportDataLine(request.Inn, contract, m_decimalSeparator));
    m_files.add(path);
    // Only now: a link added before a failed write would hide the contract for good.
    m_shown.add(contract.Url);
}

QString ReportRun::reportPath(const QString& group) const {
    const QString fileName = m_runStamp + QStringLiteral(".tab");
    if (group.isEmpty()) return m_context.programDir + fileName;
    const QString folder = m_context.programDir + SafeFolderName(group);
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
        throw EGeneralError(QStringLiteral("Не удалось создать папку %1").arg(folder));
    }
    return folder + QLatin1Char('/') + fileName;
}

QString ReportRun::shownPath() const {
    return m_context.programDir + QStringLiteral("shown.txt");
}

void ReportRun::saveShownLinks() {
    if (!m_shown.changed()) return;  // the file already holds these links
    // Rewriting the whole sorted file after every INN would cost time in the
    // square of the links shown; after the first rewrite new links are
    // appended, and the file is sorted again when the stage ends.
    if (m_shownWritten) {
        AppendShownLinks(shownPath(), m_shown.added(), m_context.shownLinksEncoding);
        m_shownUnsorted = true;
    } else {
        SaveShownLinks(shownPath(), m_shown, m_context.shownLinksEncoding);
        m_shownWritten = true;
    }
    m_shown.markSaved();
}

void ReportRun::finish() {
    saveShownLinks();
    if (!m_shownUnsorted) return;
    SaveShownLinks(shownPath(), m_shown, m_context.shownLinksEncoding);
    m_shownUnsorted = false;
}

void ReportRun::finishAfterError() noexcept {
    try {
        finish();
    } catch (const std::exception& e) {
        // The error that ended the stage is reported by the caller; this one only here.
        m_context.addLogLine(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
    }
}
