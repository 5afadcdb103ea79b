#include "store/SchemaVersion.h"
#include "store/ContractQueries.h"
#include "store/ContractStore.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The tables as the first version of the program made them, with one contract.
void MakeFirstVersionDatabase(TSQLiteDatabase& db) {
    for (const char* sql : {
             "CREATE TABLE urls (  id INTEGER PRIMARY KEY AUTOINCREMENT,  url TEXT NOT NULL "
             "UNIQUE,  contract_subject TEXT,  amount NUMERIC(15,2),  conclusion_date DATE,  "
             "execution_date DATE,  created_at DATETIME DEFAULT CURRENT_TIMESTAMP);",
             "CREATE TABLE inns (  id INTEGER PRIMARY KEY AUTOINCREMENT,  inn TEXT NOT NULL "
             "UNIQUE,  first_seen DATETIME DEFAULT CURRENT_TIMESTAMP);",
             "CREATE TABLE url_inns (  url_id INTEGER NOT NULL,  inn_id INTEGER NOT NULL,  "
             "found_at DATETIME DEFAULT CURRENT_TIMESTAMP,  PRIMARY KEY (url_id, inn_id));",
             "CREATE TABLE pending_followups (  url TEXT PRIMARY KEY);",
             "INSERT INTO urls (url, contract_subject, amount, conclusion_date, execution_date) "
             "VALUES ('https://h/epz/contract/contractCard/common-info.html?r=1', 'Ремонт', "
             "1500.5, '2024-03-25', '2024-12-31');",
             "INSERT INTO inns (inn) VALUES ('7701234567');",
             "INSERT INTO url_inns (url_id, inn_id) VALUES (1, 1);",
         })
        db.ExecSQL(QString::fromUtf8(sql));
}

}  // namespace

TEST(SchemaVersion, NewDatabaseIsMadeAtTheCurrentVersion) {
    TempDatabase t;
    CreateSchema(t.db);
    EXPECT_EQ(SchemaVersionOf(t.db), kSchemaVersion);
    EXPECT_EQ(t.value(u"SELECT count(*) FROM pragma_table_info('urls') WHERE name IN "
                      "('customer_name', 'customer_inn')"_q),
              2);
    CreateSchema(t.db);  // again on every start: harmless
    EXPECT_EQ(SchemaVersionOf(t.db), kSchemaVersion);
}

TEST(SchemaVersion, FirstVersionDatabaseGainsTheColumnsAndKeepsEveryRow) {
    TempDatabase t;
    MakeFirstVersionDatabase(t.db);
    ASSERT_EQ(SchemaVersionOf(t.db), 0);
    CreateSchema(t.db);
    EXPECT_EQ(SchemaVersionOf(t.db), kSchemaVersion);
    const auto contracts = QueryContracts(t.db, ContractFilter{{u"7701234567"_q}, {}, {}, {}});
    ASSERT_EQ(contracts.size(), 1u);
    EXPECT_EQ(contracts[0].subject, u"Ремонт"_q);
    EXPECT_EQ(contracts[0].amount, 1500.5);
    EXPECT_EQ(contracts[0].conclusionDate, QDate(2024, 3, 25));
    EXPECT_TRUE(contracts[0].customerName.isEmpty());
    EXPECT_EQ(contracts[0].registry, Registry::Fz44);
    EXPECT_EQ(GetContractsByInn(t.db, u"7701234567"_q).size(), 1u);
    EXPECT_TRUE(t.autocommit());
}

TEST(SchemaVersion, DatabaseOfANewerVersionIsRefusedUntouched) {
    TempDatabase t;
    CreateSchema(t.db);
    t.db.ExecSQL(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion + 1));
    try {
        CreateSchema(t.db);
        FAIL() << "a newer database was accepted";
    } catch (const EGeneralError& e) {
        EXPECT_TRUE(e.message().contains(u"создана более новой версией программы"_q))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(t.path())) << e.message().toStdString();
    }
    EXPECT_EQ(SchemaVersionOf(t.db), kSchemaVersion + 1);
}
