#include "store/ContractCustomer.h"

#include "store/SQLiteWrap.h"
#include "store/SqlText.h"

namespace {

QString textOrNull(const QString& text) {
    return text.isEmpty() ? QStringLiteral("NULL") : SqlQuote(text);
}

}  // namespace

void SetContractCustomer(TSQLiteDatabase& db, const QString& url, const QString& name,
                         const QString& inn) {
    db.ExecSQL(QStringLiteral("UPDATE urls SET customer_name = ") + textOrNull(name) +
               QStringLiteral(", customer_inn = ") + textOrNull(inn) +
               QStringLiteral(" WHERE url = ") + SqlQuote(url));
}
