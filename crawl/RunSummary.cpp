#include "crawl/RunSummary.h"

namespace {

const char16_t* const kRegistryNames[] = {u"44-ФЗ", u"223-ФЗ", u"капремонт"};

QString outcomeText(const RunSummary& summary) {
    switch (summary.outcome) {
        case RunOutcome::Done:
            return QStringLiteral("Итог работы: сбор завершён");
        case RunOutcome::Stopped:
            return QStringLiteral("Итог работы: остановлено пользователем");
        case RunOutcome::Failed:
            break;
    }
    return QStringLiteral("Итог работы: ошибка") +
           (summary.failureText.isEmpty() ? QString() : QStringLiteral(": ") + summary.failureText);
}

QString reportLine(const ReportFigures& report) {
    if (report.newContracts > 0) {
        return QStringLiteral("%1: новых контрактов %2, отчёт %3")
            .arg(report.name)
            .arg(report.newContracts)
            .arg(report.workbookFile.isEmpty() ? report.reportFile : report.workbookFile);
    }
    if (report.alreadyShown > 0) {
        return QStringLiteral("%1: новых контрактов нет (все %2 уже были в отчётах, см. shown.txt)")
            .arg(report.name)
            .arg(report.alreadyShown);
    }
    return report.name + QStringLiteral(": новых контрактов нет (в базе нет контрактов этого ИНН)");
}

}  // namespace

QStringList RunSummary::lines() const {
    QStringList out{outcomeText(*this)};
    out << (searchByInn ? QStringLiteral("Режим: поиск по ИНН из списка")
                        : QStringLiteral("Режим: полный обход реестров"));
    for (std::size_t i = 0; i < registries.size(); ++i) {
        const RegistryFigures& r = registries[i];
        out << QStringLiteral(
                   "%1: страниц поиска %2, карточек прочитано %3, сохранено %4, "
                   "страниц без ожидаемых данных %5, документов по тексту %6, по OCR %7")
                   .arg(QString::fromUtf16(kRegistryNames[i]))
                   .arg(r.searchesRead)
                   .arg(r.cardsRead)
                   .arg(r.cardsStored)
                   .arg(r.pagesLackingParts)
                   .arg(r.documentsByTextLayer)
                   .arg(r.documentsByOcr);
    }
    for (const ReportFigures& report : reports)
        out << reportLine(report);
    out << QStringLiteral("Данные программы: ") + programDir;
    return out;
}
