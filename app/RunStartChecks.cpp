#include "app/RunStartChecks.h"

#include "fetch/ProxyList.h"
#include "platform/TextFile.h"
#include "report/InnListCheck.h"

namespace {

QString DateRangeRefusal(const QDate& from, const QDate& to) {
    if (!from.isValid() || !to.isValid() || to >= from) return {};
    const QString format = QStringLiteral("dd.MM.yyyy");
    return QStringLiteral(
               "Дата окончания периода (%1) раньше даты начала (%2): за такой период "
               "контрактов нет. Исправьте даты")
        .arg(to.toString(format), from.toString(format));
}

QString InnListRefusal(const QString& listText) {
    // A blank list has a message of its own at the start control.
    if (listText.trimmed().isEmpty() || !ValidInns(listText).isEmpty()) return {};
    return QStringLiteral(
        "В списке ИНН нет ни одного верного ИНН (10 или 12 цифр с верными "
        "контрольными цифрами). Исправьте список: по одному ИНН в строке");
}

QString ProxyRefusal(const QString& programDir, RunStartCheck& check) {
    const QString path = programDir + QStringLiteral("proxy.txt");
    const ProxyListCheck proxies = CheckProxyList(ReadListFile(path));
    check.warnings << proxies.warnings;
    if (!proxies.usable.isEmpty()) return {};
    return QStringLiteral(
               "Включена работа через прокси, но в файле %1 нет ни одного "
               "прокси-сервера. Без прокси запросы ушли бы напрямую, поэтому сбор не "
               "начат: впишите прокси (host:port, user:password@host:port) или "
               "отключите прокси")
        .arg(path);
}

// A row pasted from a spreadsheet ("7707083893<Tab>500100732259") keeps the
// line format: the first field is the group, the last the INN searched. A
// group or label that is itself an INN is most likely such a row: said, so
// that the other INNs are not taken as searched.
QStringList InnAsGroupWarnings(const QString& listText) {
    QStringList warnings;
    const QStringList lines = SplitLines(listText);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        if (fields.size() < 2) continue;
        const QString group = fields[0].trimmed();
        const QString label = fields.size() > 2 ? fields[1].trimmed() : QString();
        const QString column = IsValidInn(group)   ? QStringLiteral("группы (первом)")
                               : IsValidInn(label) ? QStringLiteral("подписи (втором)")
                                                   : QString();
        if (column.isEmpty()) continue;
        warnings << QStringLiteral(
                        "Строка %1 списка ИНН: в столбце %2 стоит ИНН %3, но ищется только "
                        "ИНН последнего столбца (%4), а первый столбец — имя группы отчёта. "
                        "Чтобы искать каждый ИНН, поставьте их по одному в строке")
                        .arg(i + 1)
                        .arg(column, IsValidInn(group) ? group : label, fields.last().trimmed());
    }
    return warnings;
}

}  // namespace

RunStartCheck CheckRunStart(const RunStartInput& input) {
    RunStartCheck check;
    check.refusal = DateRangeRefusal(input.from, input.to);
    check.warnings << InnListWarnings(input.innListText);
    const QStringList innAsGroup = InnAsGroupWarnings(input.innListText);
    check.warnings << innAsGroup;
    if (!innAsGroup.isEmpty()) {
        check.accountNotes << QStringLiteral(
                                  "Список ИНН: в %1 строках ИНН стоит в столбце группы или "
                                  "подписи и не ищется (см. начало лога)")
                                  .arg(innAsGroup.size());
    }
    if (check.refusal.isEmpty()) check.refusal = InnListRefusal(input.innListText);
    if (input.useProxy) {
        const QString refusal = ProxyRefusal(input.programDir, check);
        if (check.refusal.isEmpty()) check.refusal = refusal;
    }
    return check;
}
