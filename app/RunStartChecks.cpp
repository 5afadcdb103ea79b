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

}  // namespace

RunStartCheck CheckRunStart(const RunStartInput& input) {
    RunStartCheck check;
    check.refusal = DateRangeRefusal(input.from, input.to);
    check.warnings << InnListWarnings(input.innListText);
    if (check.refusal.isEmpty()) check.refusal = InnListRefusal(input.innListText);
    if (input.useProxy) {
        const QString refusal = ProxyRefusal(input.programDir, check);
        if (check.refusal.isEmpty()) check.refusal = refusal;
    }
    return check;
}
