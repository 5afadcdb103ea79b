#include "report/ReportRun.h"

#include "platform/GeneralError.h"
#include "platform/RegionalSettings.h"
#include "report/InnListCheck.h"
#include "report/ReportFile.h"
#include "report/SafeFolderName.h"
#include "store/ContractQueries.h"

#include <QDir>
#include <QFileInfo>

ReportRun::ReportRun(ReportContext& context, QString runStamp, ShownLinksFile& shown,
                     ReportRows* rows)
    : m_context(context),
      m_runStamp(std::move(runStamp)),
      m_decimalSeparator(RegionalSettings::current().decimalSeparator),
      m_shown(shown),
      m_rows(rows) {}

void ReportRun::reportInn(const InnRequest& request) {
    if (request.Inn.isEmpty()) return;  // finds nothing; no look-up needed
    const std::size_t figures = figuresIndex(request);
    const TContractList contracts = GetContractsByInn(m_context.db, request.Inn);
    for (const auto& [url, contract] : contracts)
        reportContract(request, contract, m_figures[figures]);
}

// A group's INNs share one entry, as they share one file.
std::size_t ReportRun::figuresIndex(const InnRequest& request) {
    const bool group = !request.ReportGroup.isEmpty();
    const QString& name = group ? request.ReportGroup : request.Inn;
    for (std::size_t i = 0; i < m_figures.size(); ++i) {
        if (m_figures[i].isGroup == group && m_figures[i].name == name) return i;
    }
    ReportFigures figures;
    figures.name = name;
    figures.isGroup = group;
    // Still looked up: a portal page may show a mistyped INN, and the user may list it so.
    figures.notAnInn = !group && !IsValidInn(name);
    m_figures.push_back(figures);
    return m_figures.size() - 1;
}

void ReportRun::reportContract(const InnRequest& request, const TUrlContractInfo& contract,
                               ReportFigures& figures) {
    if (m_shown.contains(contract.Url)) {
        m_context.addLogLine(QStringLiteral("ссылка уже выводилась, пропускаем ") + contract.Url);
        ++figures.alreadyShown;
        return;
    }
    const QString path = reportPath(request.ReportGroup);
    if (path.isEmpty()) return;
    const QStringList fields = ReportFields(request.Inn, contract, m_decimalSeparator);
    // The record first, the line, then the link: a kill at any point between
    // is mended by the next stage (see ShownLinksFile.h).
    m_shown.beginLine(path, contract.Url);
    const bool created = AppendReportLine(path, ReportLine(fields));
    m_files.add(path);
    // Only now: a link added before a failed write would hide the contract for good.
    m_shown.lineWritten(contract.Url);
    RecordReportedLink(m_context.db, contract.Url, m_runStamp);
    ++figures.newContracts;
    figures.newSum += contract.Amount;
    figures.reportFile = path;
    if (m_rows) {
        if (created) m_rows->startFile(path, ReportHeaderFields());
        m_rows->add(path, fields, QFileInfo(path).size());
    }
}

QString ReportRun::reportPath(const QString& group) {
    const QString fileName = m_runStamp + QStringLiteral(".tab");
    if (group.isEmpty()) return m_context.programDir + fileName;
    const QString folder = m_context.programDir + SafeFolderName(group);
    if (m_failedFolders.contains(folder)) return {};
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
        // This group's contracts wait for a later run; the other groups go on.
        m_failedFolders.insert(folder);
        const QString reason = QFileInfo::exists(folder)
                                   ? QStringLiteral("там уже есть файл с таким именем")
                                   : QStringLiteral("проверьте права и место на диске");
        m_context.addLogLine(
            QStringLiteral("Ошибка: Не удалось создать папку %1 (%2), отчет группы «%3» пропущен")
                .arg(folder, reason, group));
        return {};
    }
    return folder + QLatin1Char('/') + fileName;
}

void ReportRun::finish() {
    m_shown.finish();
}

void ReportRun::finishAfterError() noexcept {
    try {
        finish();
    } catch (const std::exception& e) {
        // The error that ended the stage is reported by the caller; this one only here.
        m_context.addLogLine(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
    }
}
