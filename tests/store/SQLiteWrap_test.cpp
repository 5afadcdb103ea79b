#include "store/SQLiteWrap.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <chrono>
#include <thread>

namespace {

// The message of the ESQLiteException the call raises, or "" when none.
template <typename Call>
QString failure(Call call) {
    try {
        call();
    } catch (const ESQLiteException& e) {
        return e.message();
    }
    return {};
}

class Table : public TempDatabase {
public:
    Table() { db.ExecSQL(QStringLiteral("CREATE TABLE t (k TEXT UNIQUE, v)")); }
};

}  // namespace

TEST(TSQLiteDatabase, OpenFailureNamesThePathAndSQLitesReason) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/db.s3db"));
    EXPECT_EQ(failure([&] { TSQLiteDatabase db(missing); }),
              u"Failed to open database \""_q + missing + u"\" : unable to open database file"_q);
    EXPECT_EQ(
        failure([&] { TSQLiteDatabase::Create(dir.path()); }),
        u"Failed to open database \""_q + dir.path() + u"\" : unable to open database file"_q);
}

TEST(TSQLiteDatabase, CreatesAMissingFileUnderANonAsciiName) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"база данных.s3db"_q);
    TSQLiteDatabase(path).ExecSQL(QStringLiteral("CREATE TABLE t (v)"));
    EXPECT_TRUE(QDir(dir.path()).exists(u"база данных.s3db"_q));
}

TEST(ResultCodeText, NamesKnownCodesAndQuotesUnknownOnes) {
    EXPECT_EQ(ResultCodeText(0), u"Successful result"_q);
    EXPECT_EQ(ResultCodeText(19), u"Abort due to contraint violation"_q);
    EXPECT_EQ(ResultCodeText(26), u"File opened that is not a database file"_q);
    EXPECT_EQ(ResultCodeText(100), u"sqlite3_step() has another row ready"_q);
    EXPECT_EQ(ResultCodeText(101), u"sqlite3_step() has finished executing"_q);
    EXPECT_EQ(ResultCodeText(27), u"Unknown SQLite Error Code \"27\""_q);
    EXPECT_EQ(ResultCodeText(99), u"Unknown SQLite Error Code \"99\""_q);
    EXPECT_EQ(ResultCodeText(102), u"Unknown SQLite Error Code \"102\""_q);
    EXPECT_EQ(ResultCodeText(-1), u"Unknown SQLite Error Code \"-1\""_q);
}

TEST(ExecSQL, UniqueViolationReportsCode19TheStatementAndSQLitesText) {
    Table t;
    const QString insert = QStringLiteral("INSERT INTO t (k) VALUES ('a')");
    t.db.ExecSQL(insert);
    EXPECT_EQ(failure([&] { t.db.ExecSQL(insert); }),
              u"Error executing SQL statement.\r\nError [19]: Abort due to contraint violation."
              u"\r\n\"INSERT INTO t (k) VALUES ('a')\": UNIQUE constraint failed: t.k"_q);
    EXPECT_TRUE(t.noOpenStatements());
}

TEST(ExecSQL, AWriteWaitsForAnotherConnectionsLockInsteadOfFailing) {
    Table t;
    TSQLiteDatabase other(t.path());  // another copy of the program on the folder
    other.ExecSQL(QStringLiteral("BEGIN IMMEDIATE"));
    other.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('other')"));
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.ExecSQL(QStringLiteral("COMMIT"));
    });
    EXPECT_EQ(failure([&] { t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('own')")); }),
              QString());
    release.join();
    EXPECT_EQ(t.value(QStringLiteral("SELECT COUNT(*) FROM t")), 2);
}

TEST(ExecSQL, AFullDatabaseReportsCode13) {
    Table t;
    t.db.GetTableValue(QStringLiteral("PRAGMA max_page_count = 3"));  // answers a row
    int code = 0;
    try {
        for (int i = 0; i < 1000; ++i)
            t.db.ExecSQL(
                QStringLiteral("INSERT INTO t (k, v) VALUES ('%1', zeroblob(4000))").arg(i));
    } catch (const ESQLiteException& e) {
        code = e.resultCode();
    }
    EXPECT_EQ(code, kSqliteFull);
}

TEST(ExecSQL, FailsOnAStatementThatReturnsRows) {
    Table t;
    EXPECT_EQ(failure([&] { t.db.ExecSQL(QStringLiteral("SELECT 1")); }),
              u"Error executing SQL statement"_q);
    EXPECT_TRUE(t.noOpenStatements());
}

TEST(ExecSQL, PrepareFailureAndEmptyTextReportTheirOwnContexts) {
    Table t;
    EXPECT_EQ(failure([&] { t.db.ExecSQL(QStringLiteral("INSERT INTO nosuch VALUES (1)")); }),
              u"Error executing SQL.\r\nError [1]: SQL error or missing database.\r\n"
              u"\"INSERT INTO nosuch VALUES (1)\": no such table: nosuch"_q);
    EXPECT_EQ(failure([&] { t.db.ExecSQL(QStringLiteral("-- nothing")); }),
              u"Could not prepare SQL statement"_q);
    EXPECT_TRUE(t.noOpenStatements());
}

TEST(ExecSQL, RunsOnlyTheFirstStatementOfTheText) {
    Table t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('a'); INSERT INTO t (k) VALUES ('b')"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t")), 1);
}

TEST(Params, UnboundParameterReadsNull) {
    Table t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k, v) VALUES ('a', :v)"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t WHERE v IS NULL")), 1);
}

TEST(Params, DroppedAfterTheNextStatementEvenWhenItDoesNotNameThem) {
    Table t;
    t.db.AddParamInt(QStringLiteral(":v"), 7);
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('a')"));
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k, v) VALUES ('b', :v)"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t WHERE v IS NULL")), 2);
}

TEST(Params, StayPendingWhenPrepareFails) {
    Table t;
    t.db.AddParamInt(QStringLiteral(":v"), 7);
    EXPECT_FALSE(
        failure([&] { t.db.ExecSQL(QStringLiteral("INSERT INTO nosuch VALUES (:v)")); }).isEmpty());
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k, v) VALUES ('a', :v)"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT v FROM t")), 7);
}

TEST(Params, DroppedWhenTheStatementFailsAfterBinding) {
    Table t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('a')"));
    t.db.AddParamText(QStringLiteral(":k"), QStringLiteral("a"));
    EXPECT_FALSE(
        failure([&] { t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES (:k)")); }).isEmpty());
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES (:k)"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t WHERE k IS NULL")), 1);
}

TEST(Params, EmptyTextBindsAsTextNotNull) {
    Table t;
    t.db.AddParamText(QStringLiteral(":k"), QString());
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES (:k)"));
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t WHERE k = ''")), 1);
}

TEST(Params, TextsComeBackWholeWithNulAndRepairedSurrogates) {
    Table t;
    QString text = u"кавычка ' \\ обратная"_q;
    text.append(QChar::Null).append(u"после нуля 😀"_q);
    QString broken = u"до"_q;
    broken.append(QChar(0xD800)).append(u"после"_q);
    t.db.AddParamText(QStringLiteral(":k"), text);
    t.db.AddParamText(QStringLiteral(":v"), broken);
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k, v) VALUES (:k, :v)"));
    EXPECT_EQ(t.text(QStringLiteral("SELECT k FROM t")), text);
    EXPECT_EQ(t.text(QStringLiteral("SELECT v FROM t")), u"до\uFFFDпосле"_q);
}

TEST(TSQLiteTable, StandsOnTheFirstRowAndStepsToTheEnd) {
    Table t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k, v) VALUES ('a', 2.5), ('b', NULL)"));
    TSQLiteTable table = t.db.GetTable(QStringLiteral("SELECT k, v AS Value FROM t ORDER BY k"));
    EXPECT_EQ(table.Columns(), QStringList({u"K"_q, u"VALUE"_q}));
    ASSERT_FALSE(table.Eof());
    EXPECT_EQ(table.Row(), 1u);
    EXPECT_EQ(table.FieldAsDouble(1), 2.5);
    EXPECT_TRUE(table.Next());
    EXPECT_EQ(table.FieldAsString(1), QString());
    EXPECT_EQ(table.FieldAsDouble(1), 0.0);
    EXPECT_EQ(table.FieldAsInteger(1), 0);
    EXPECT_FALSE(table.Next());
    EXPECT_TRUE(table.Eof());
}

TEST(TSQLiteTable, EmptyQueryIsAtEofAtOnceAndStaysThere) {
    Table t;
    TSQLiteTable table = t.db.GetTable(QStringLiteral("SELECT k FROM t"));
    EXPECT_TRUE(table.Eof());
    EXPECT_FALSE(table.Next());
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(t.value(QStringLiteral("SELECT k FROM t")), 0);
    EXPECT_EQ(t.value(QStringLiteral("SELECT NULL")), 0);
}

TEST(TSQLiteTable, StepFailureReportsCouldNotRetrieveData) {
    Table t;
    const QString overflow = QStringLiteral("SELECT abs(-9223372036854775808)");
    EXPECT_EQ(failure([&] { t.db.GetTable(overflow); }),
              u"Could not retrieve data.\r\nError [1]: SQL error or missing database.\r\n\""_q +
                  overflow + u"\": integer overflow"_q);
    EXPECT_TRUE(t.noOpenStatements());
}

TEST(Transactions, RollbackUndoesAndSavepointsNest) {
    Table t;
    t.db.Start();
    EXPECT_FALSE(t.autocommit());
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('a')"));
    t.db.Start(QStringLiteral("inner"));
    t.db.ExecSQL(QStringLiteral("INSERT INTO t (k) VALUES ('b')"));
    t.db.Rollback(QStringLiteral("inner"));
    t.db.Commit(QStringLiteral("inner"));
    t.db.Commit();
    EXPECT_EQ(t.text(QStringLiteral("SELECT group_concat(k) FROM t")), u"a"_q);

    t.db.Start({}, QStringLiteral("TRANSACTION"));
    t.db.ExecSQL(QStringLiteral("DELETE FROM t"));
    t.db.Rollback();
    EXPECT_TRUE(t.autocommit());
    EXPECT_EQ(t.value(QStringLiteral("SELECT count(*) FROM t")), 1);
}

TEST(ESQLiteException, CarriesSQLitesResultCode) {
    const auto codeOf = [](const auto& call) {
        try {
            call();
        } catch (const ESQLiteException& e) {
            return e.resultCode();
        }
        return -1;
    };
    Table t;
    const QString insert = QStringLiteral("INSERT INTO t (k) VALUES ('a')");
    t.db.ExecSQL(insert);
    EXPECT_EQ(codeOf([&] { t.db.ExecSQL(insert); }), SQLITE_CONSTRAINT);
    EXPECT_EQ(codeOf([&] { t.db.ExecSQL(QStringLiteral("SELECT * FROM nosuch")); }), SQLITE_ERROR);
    QTemporaryDir dir;
    EXPECT_EQ(codeOf([&] { TSQLiteDatabase db(dir.filePath(QStringLiteral("no/db.s3db"))); }),
              SQLITE_CANTOPEN);
}
