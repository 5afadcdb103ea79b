#include "store/ContractQueries.h"

#include "store/SQLiteWrap.h"
#include "store/SqlText.h"

#include <algorithm>
#include <map>

namespace {

QDate storedDate(const QString& text) {
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

QString contractsSql(const ContractFilter& filter) {
    QStringList names;
    for (int i = 0; i < filter.inns.size(); ++i)
        names << QStringLiteral(":i%1").arg(i);
    QString sql =
        QStringLiteral(
            "SELECT i.inn, u.url, u.contract_subject, u.amount, u.conclusion_date, "
            "u.execution_date, "
            "u.customer_name, u.customer_inn, "
            "r.run_stamp IS NOT NULL AND r.run_stamp = (SELECT max(run_stamp) FROM reported_links) "
            "FROM urls u JOIN url_inns ui ON ui.url_id = u.id JOIN inns i ON i.id = ui.inn_id "
            "LEFT JOIN reported_links r ON r.url = u.url WHERE i.inn IN (") +
        names.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (filter.from.isValid()) sql += QStringLiteral(" AND u.conclusion_date >= :from");
    if (filter.to.isValid()) sql += QStringLiteral(" AND u.conclusion_date <= :to");
    return sql;
}

bool wanted(const ContractFilter& filter, const StoredContract& contract) {
    if (filter.onlyNew && !contract.newInLastReport) return false;
    return filter.registries.empty() ||
           std::find(filter.registries.begin(), filter.registries.end(), contract.registry) !=
               filter.registries.end();
}

}  // namespace

Registry RegistryOfUrl(const QString& url) {
    if (url.contains(u"contractCard/common-info.html?")) return Registry::Fz44;
    if (url.contains(u"general-info.html?")) return Registry::CapitalRepair;
    if (url.contains(u"contract-info.html?")) return Registry::Fz223;
    return Registry::Unknown;
}

QString RegistryName(Registry registry) {
    switch (registry) {
        case Registry::Fz44:
            return QStringLiteral("44-ФЗ");
        case Registry::Fz223:
            return QStringLiteral("223-ФЗ");
        case Registry::CapitalRepair:
            return QStringLiteral("капремонт");
        case Registry::Unknown:
            break;
    }
    return {};
}

std::optional<Registry> RegistryFromCode(const QString& code) {
    if (code == u"44") return Registry::Fz44;
    if (code == u"223") return Registry::Fz223;
    if (code == u"615") return Registry::CapitalRepair;
    return std::nullopt;
}

std::vector<StoredContract> QueryContracts(TSQLiteDatabase& db, const ContractFilter& filter) {
    std::vector<StoredContract> contracts;
    if (filter.inns.isEmpty()) return contracts;
    std::map<QString, int> order;
    for (int i = 0; i < filter.inns.size(); ++i) {
        db.AddParamText(QStringLiteral(":i%1").arg(i), filter.inns[i]);
        order.emplace(filter.inns[i], i);
    }
    if (filter.from.isValid())
        db.AddParamText(QStringLiteral(":from"), filter.from.toString(u"yyyy-MM-dd"));
    if (filter.to.isValid())
        db.AddParamText(QStringLiteral(":to"), filter.to.toString(u"yyyy-MM-dd"));
    for (TSQLiteTable table = db.GetTable(contractsSql(filter)); !table.Eof(); table.Next()) {
        StoredContract c;
        c.inn = table.FieldAsString(0);
        c.url = table.FieldAsString(1);
        c.subject = table.FieldAsString(2);
        if (!table.FieldAsString(3).isEmpty()) c.amount = table.FieldAsDouble(3);
        c.conclusionDate = storedDate(table.FieldAsString(4));
        c.executionDate = storedDate(table.FieldAsString(5));
        c.customerName = table.FieldAsString(6);
        c.customerInn = table.FieldAsString(7);
        c.registry = RegistryOfUrl(c.url);
        c.newInLastReport = table.FieldAsInteger(8) != 0;
        if (wanted(filter, c)) contracts.push_back(std::move(c));
    }
    std::sort(contracts.begin(), contracts.end(),
              [&order](const StoredContract& a, const StoredContract& b) {
                  const int oa = order[a.inn], ob = order[b.inn];
                  if (oa != ob) return oa < ob;
                  if (a.conclusionDate != b.conclusionDate)
                      return a.conclusionDate < b.conclusionDate;
                  return a.url < b.url;
              });
    return contracts;
}

void RecordReportedLink(TSQLiteDatabase& db, const QString& url, const QString& runStamp) {
    db.ExecSQL(QStringLiteral("INSERT OR REPLACE INTO reported_links (url, run_stamp) VALUES (") +
               SqlQuote(url) + QStringLiteral(", ") + SqlQuote(runStamp) + QLatin1Char(')'));
}
