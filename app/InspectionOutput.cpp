// The page inspection written out: one JSON object for other tools (its keys
// are kept stable), or readable text for a person.
#include "app/PageInspection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonObject contractJson(const InspectedContract& contract) {
    return QJsonObject{{QStringLiteral("url"), contract.url},
                       {QStringLiteral("subject"), contract.subject},
                       {QStringLiteral("amount"), contract.amount},
                       {QStringLiteral("conclusion_date"), contract.conclusionDate},
                       {QStringLiteral("execution_date"), contract.executionDate},
                       {QStringLiteral("inns"), QJsonArray::fromStringList(contract.inns)}};
}

QJsonArray queuedJson(const std::vector<InspectedJob>& queued) {
    QJsonArray jobs;
    for (const InspectedJob& job : queued) {
        jobs.append(QJsonObject{
            {QStringLiteral("job"), job.job},
            {QStringLiteral("at"), job.atHead ? QStringLiteral("head") : QStringLiteral("tail")}});
    }
    return jobs;
}

QString kindName(int kind) {
    switch (kind) {
        case 1:
            return QStringLiteral("страница результатов поиска");
        case 2:
            return QStringLiteral("карточка контракта");
        case 3:
            return QStringLiteral("извещение о закупке по 223-ФЗ");
        case 4:
            return QStringLiteral("документы извещения");
        case 5:
            return QStringLiteral("сведения о поставщиках по 223-ФЗ");
        case 6:
            return QStringLiteral("загрузка документа");
        default:
            return QStringLiteral("страница неизвестного вида");
    }
}

void appendContract(QStringList& lines, const PageInspection& inspection) {
    if (!inspection.contract) return;
    const InspectedContract& c = *inspection.contract;
    lines << QStringLiteral("Операция с базой: ") + inspection.storeOperation
          << QStringLiteral("Контракт:") << QStringLiteral("  адрес: ") + c.url
          << QStringLiteral("  предмет: ") + c.subject << QStringLiteral("  сумма: ") + c.amount
          << QStringLiteral("  дата заключения: ") + c.conclusionDate
          << QStringLiteral("  дата исполнения: ") + c.executionDate
          << QStringLiteral("  ИНН: ") + c.inns.join(QStringLiteral(", "));
}

}  // namespace

QByteArray InspectionToJson(const PageInspection& inspection) {
    QJsonObject object{{QStringLiteral("kind"), inspection.kind},
                       {QStringLiteral("handler"), textOrNull(inspection.handler)},
                       {QStringLiteral("contract"),
                        inspection.contract ? QJsonValue(contractJson(*inspection.contract))
                                            : QJsonValue(QJsonValue::Null)},
                       {QStringLiteral("store"), textOrNull(inspection.storeOperation)},
                       {QStringLiteral("queued"), queuedJson(inspection.queued)},
                       {QStringLiteral("log"), QJsonArray::fromStringList(inspection.log)}};
    if (inspection.kind == 1) {
        if (inspection.recordCount) {
            object.insert(QStringLiteral("record_count"), double(*inspection.recordCount));
        }
        object.insert(QStringLiteral("split"), inspection.split);
    }
    if (inspection.isDocument) {
        object.insert(QStringLiteral("inns"), QJsonArray::fromStringList(inspection.documentInns));
        object.insert(QStringLiteral("source"), textOrNull(inspection.documentSource));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QString InspectionToText(const PageInspection& inspection) {
    QStringList lines;
    lines << QStringLiteral("Вид страницы: %1 (%2)")
                 .arg(inspection.kind)
                 .arg(kindName(inspection.kind))
          << QStringLiteral("Обработчик: ") +
                 (inspection.handler.isEmpty() ? QStringLiteral("нет") : inspection.handler);
    if (inspection.isDocument) {
        lines << QStringLiteral("ИНН в документе: ") +
                     inspection.documentInns.join(QStringLiteral(", "))
              << QStringLiteral("Найдены: ") +
                     (inspection.documentSource == u"ocr" ? QStringLiteral("распознаванием (OCR)")
                      : inspection.documentSource == u"text" ? QStringLiteral("в текстовом слое")
                                                             : QStringLiteral("не найдены"));
    }
    if (inspection.kind == 1) {
        lines << QStringLiteral("Число записей: ") + (inspection.recordCount
                                                          ? QString::number(*inspection.recordCount)
                                                          : QStringLiteral("не прочитано"))
              << QStringLiteral("Поиск разбит: ") +
                     (inspection.split ? QStringLiteral("да") : QStringLiteral("нет"));
    }
    appendContract(lines, inspection);
    lines << QStringLiteral("В очередь: %1").arg(inspection.queued.size());
    for (const InspectedJob& job : inspection.queued) {
        lines << (job.atHead ? QStringLiteral("  в начало: ") : QStringLiteral("  в конец: ")) +
                     job.job;
    }
    lines << QStringLiteral("Строки лога: %1").arg(inspection.log.size());
    for (const QString& line : inspection.log) {
        lines << QStringLiteral("  ") +
                     QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n  "));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
