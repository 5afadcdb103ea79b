#include "crawl/RunSummary.h"

namespace {

const char16_t* const kRegistryNames[] = {u"44-ФЗ", u"223-ФЗ", u"капремонт"};

QString outcomeText(const RunSummary& summary) {
    switch (summary.outcome) {
        case RunOutcome::Done:
            return QStringLiteral("Итог работы: сбор данных завершён");
        case RunOutcome::Stopped:
            return QStringLiteral("Итог работы: остановлено пользователем, отчёты не составлялись");
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

QString reportStateLine(const ReportFigures& report) {
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
            return reportName(report) +
                   QStringLiteral(
                       ": новых контрактов нет — это не ИНН (см. строку списка ИНН в начале "
                       "лога)");
        case ReportState::NoneStored:
            break;
    }
    return reportName(report) + QStringLiteral(": новых контрактов нет — в базе нет контрактов ") +
           (report.isGroup ? QStringLiteral("с ИНН этой группы") : QStringLiteral("с этим ИНН"));
}

QString reportLine(const ReportFigures& report, bool incomplete) {
    const QString line = reportStateLine(report);
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
    for (std::size_t i = 0; i < registries.size(); ++i)
        out << registryLine(QString::fromUtf16(kRegistryNames[i]), registries[i]);
    if (!unreadAddresses.isEmpty()) {
        out << QStringLiteral("Не прочитаны, например: ") +
                   unreadAddresses.join(QStringLiteral(", "));
    }
    for (const ReportFigures& report : reports)
        out << reportLine(report, unread() > 0);
    out << QStringLiteral("Данные программы (база, отчёты, логи): ") + programDir;
    return out;
}
