#include "crawl/RunSummary.h"

namespace {

const char16_t* const kRegistryNames[] = {u"44-ФЗ", u"223-ФЗ", u"капремонт"};

// A stop during the report stage: what was actually written, so that nobody
// takes the lines (and their links in shown.txt) for unwritten.
QString stoppedInReportsText(const RunSummary& summary) {
    int lines = 0;
    QStringList files;
    for (const ReportFigures& report : summary.reports) {
        lines += report.newContracts;
        if (!report.reportFile.isEmpty() && !files.contains(report.reportFile))
            files << report.reportFile;
    }
    QString text = QStringLiteral(
                       "Итог работы: остановлено пользователем во время составления "
                       "отчётов; ") +
                   (summary.reportStageCut ? QStringLiteral("отчёты составлены не по всем ИНН")
                                           : QStringLiteral("отчёты составлены полностью"));
    if (lines == 0) return text + QStringLiteral(", новых строк не записано");
    return text + QStringLiteral(
                      ", записано новых строк: %1, файлов отчётов: %2 (их ссылки "
                      "внесены в shown.txt)")
                      .arg(lines)
                      .arg(files.size());
}

QString outcomeText(const RunSummary& summary) {
    switch (summary.outcome) {
        case RunOutcome::Done:
            return QStringLiteral("Итог работы: сбор данных завершён");
        case RunOutcome::Stopped:
            if (!summary.reportStageRan)
                return QStringLiteral(
                    "Итог работы: остановлено пользователем, отчёты не составлялись");
            return stoppedInReportsText(summary);
        case RunOutcome::Incomplete:
            return QStringLiteral(
                       "Итог работы: сбор данных завершён не полностью — %1 страниц портала не "
                       "прочитано, отчёты могут быть неполными; следующий запуск запросит их снова")
                .arg(summary.unread());
        case RunOutcome::Failed:
            break;
    }
    return QStringLiteral("Итог работы: ошибка") +
           (summary.failureText.isEmpty() ? QString() : QStringLiteral(": ") + summary.failureText);
}

QString reportName(const ReportFigures& report) {
    return report.isGroup ? QStringLiteral("Группа «%1»").arg(report.name)
                          : QStringLiteral("ИНН %1").arg(report.name);
}

QString reportStateLine(const ReportFigures& report, bool searchByInn) {
    switch (StateOf(report)) {
        case ReportState::NewContracts: {
            QString line = QStringLiteral("%1: новых контрактов %2, отчёт %3")
                               .arg(reportName(report))
                               .arg(report.newContracts)
                               .arg(report.reportFile);
            if (!report.workbookFile.isEmpty())
                line += QStringLiteral(", книга ") + report.workbookFile;
            return line;
        }
        case ReportState::AllShown:
            return QStringLiteral(
                       "%1: новых контрактов нет — все найденные (%2) уже выводились раньше "
                       "(список shown.txt)")
                .arg(reportName(report))
                .arg(report.alreadyShown);
        case ReportState::NotAnInn:
            // Both modes look such a line up in the database; only the search by INN, which
            // asks the portal for valid INNs alone, did not search for it.
            return reportName(report) +
                   (searchByInn ? QStringLiteral(": новых контрактов нет — это не ИНН, поиск по "
                                                 "ИНН его на портале не искал (см. строку списка "
                                                 "ИНН в начале лога)")
                                : QStringLiteral(": новых контрактов нет — это не ИНН (см. строку "
                                                 "списка ИНН в начале лога)"));
        case ReportState::NoneStored:
            break;
    }
    return reportName(report) + QStringLiteral(": новых контрактов нет — в базе нет контрактов ") +
           (report.isGroup ? QStringLiteral("с ИНН этой группы") : QStringLiteral("с этим ИНН"));
}

// One registry's part of an INN's search line.
QString searchPart(const SupplierSearchFigures& f) {
    const QString registry = QString::fromUtf16(kRegistryNames[SummaryIndexOf(f.registry)]);
    if (!f.reported) return registry + QStringLiteral(": поиск не загрузился");
    if (f.filterIgnored)
        return registry +
               QStringLiteral(": поиск нашёл %1 — портал не применил фильтр, не обходили")
                   .arg(*f.reported);
    QString part = registry + QStringLiteral(": поиск нашёл %1").arg(*f.reported);
    if (*f.reported == 0 && f.listed == 0) return part;
    if (f.listed != *f.reported) part += QStringLiteral(", в списках %1").arg(f.listed);
    part += QStringLiteral(", прочитано %1").arg(f.read);
    if (f.stored > f.read)
        part += QStringLiteral(" (ещё %1 уже были в базе)").arg(f.stored - f.read);
    return part + QStringLiteral(", поставщик с этим ИНН в %1").arg(f.named);
}

QString reportLine(const ReportFigures& report, bool incomplete, bool checkNotMade,
                   bool searchByInn) {
    if (checkNotMade && StateOf(report) != ReportState::NewContracts)
        return reportName(report) + QStringLiteral(": проверка не выполнена — ") +
               CheckNotMadeReason();
    const QString line = reportStateLine(report, searchByInn);
    if (!incomplete || StateOf(report) == ReportState::NotAnInn) return line;
    return line + QStringLiteral(" (ответ может быть неполным: не все страницы портала прочитаны)");
}

QString registryLine(const QString& name, const RegistryFigures& r) {
    QString line = QStringLiteral(
                       "%1: страниц поиска %2, карточек прочитано %3, сохранено %4, "
                       "страниц без ожидаемых данных %5, документов прочитано по текстовому слою "
                       "%6, по OCR %7")
                       .arg(name)
                       .arg(r.searchesRead)
                       .arg(r.cardsRead)
                       .arg(r.cardsStored)
                       .arg(r.pagesLackingParts)
                       .arg(r.documentsByTextLayer)
                       .arg(r.documentsByOcr);
    if (r.unread() == 0) return line;
    return line + QStringLiteral(
                      "; не прочитано: страниц поиска %1, карточек %2, "
                      "дополнительных страниц карточек %3")
                      .arg(r.searchesUnread)
                      .arg(r.cardsUnread)
                      .arg(r.followUpsUnread);
}

}  // namespace

int SummaryIndexOf(PortalRegistry registry) {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return 0;
        case PortalRegistry::Contracts223:
            return 1;
        case PortalRegistry::CapitalRepairs:
            break;
    }
    return 2;
}

QString CheckNotMadeReason() {
    return QStringLiteral("портал не дал данных (причина в строке «Итог работы» выше)");
}

QStringList RunSummary::searchLines() const {
    QStringList out;
    if (!searchByInn) return out;
    QStringList innOrder;
    for (const SupplierSearchFigures& f : supplierSearches) {
        if (!innOrder.contains(f.inn)) innOrder << f.inn;
    }
    for (const QString& inn : innOrder) {
        QStringList parts;
        for (const SupplierSearchFigures& f : supplierSearches) {
            if (f.inn == inn) parts << searchPart(f);
        }
        out << QStringLiteral("Поиск по ИНН %1 — ").arg(inn) + parts.join(QStringLiteral("; "));
    }
    out << searchWarnings;
    out << QStringLiteral(
        "Поиск по ИНН не находит договоры 223-ФЗ, поставщик которых назван только в протоколе "
        "комиссии (PDF): их находит только полный обход реестров");
    return out;
}

int RunSummary::unread() const {
    int pages = 0;
    for (const RegistryFigures& r : registries)
        pages += r.unread();
    return pages;
}

ReportState StateOf(const ReportFigures& report) {
    if (report.newContracts > 0) return ReportState::NewContracts;
    if (report.alreadyShown > 0) return ReportState::AllShown;
    return report.notAnInn ? ReportState::NotAnInn : ReportState::NoneStored;
}

QStringList RunSummary::lines() const {
    QStringList out{outcomeText(*this)};
    out << (searchByInn ? QStringLiteral("Режим: поиск по ИНН из списка")
                        : QStringLiteral("Режим: полный обход реестров"));
    if (!stagesText.isEmpty()) out << QStringLiteral("Этапы контрактов: ") + stagesText;
    for (std::size_t i = 0; i < registries.size(); ++i)
        out << registryLine(QString::fromUtf16(kRegistryNames[i]), registries[i]);
    if (!unreadAddresses.isEmpty()) {
        out << QStringLiteral("Не прочитаны, например: ") +
                   unreadAddresses.join(QStringLiteral(", "));
    }
    out << searchLines();
    for (const ReportFigures& report : reports)
        out << reportLine(report, unread() > 0, checkNotMade, searchByInn);
    out << notes;
    out << QStringLiteral("Данные программы (база, отчёты, логи): ") + programDir;
    return out;
}
