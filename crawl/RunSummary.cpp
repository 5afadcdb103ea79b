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

QString reportLine(const ReportFigures& report) {
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

}  // namespace

ReportState StateOf(const ReportFigures& report) {
    if (report.newContracts > 0) return ReportState::NewContracts;
    if (report.alreadyShown > 0) return ReportState::AllShown;
    return report.notAnInn ? ReportState::NotAnInn : ReportState::NoneStored;
}

QStringList RunSummary::lines() const {
    QStringList out{outcomeText(*this)};
    out << (searchByInn ? QStringLiteral("Режим: поиск по ИНН из списка")
                        : QStringLiteral("Режим: полный обход реестров"));
    for (std::size_t i = 0; i < registries.size(); ++i) {
        const RegistryFigures& r = registries[i];
        out << QStringLiteral(
                   "%1: страниц поиска %2, карточек прочитано %3, сохранено %4, "
                   "страниц без ожидаемых данных %5, документов прочитано по текстовому слою %6, "
                   "по OCR %7")
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
    out << notes;
    out << QStringLiteral("Данные программы (база, отчёты, логи): ") + programDir;
    return out;
}
