#include "store/ContractStore.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <memory>
#include <random>

namespace {

constexpr int kStoredContracts = 100000;
constexpr int kDistinctInns = 30000;

const QString kUrlPrefix = QStringLiteral(
    "https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=");

QString cardUrl(std::int64_t n) {
    return kUrlPrefix + QString::number(3770000000000LL + n);
}

QString innText(std::int64_t n) {
    return QString::number(7700000000LL + n);
}

// A database file holding kStoredContracts contracts, each linked to one or
// two of kDistinctInns INNs, built once per process in one transaction.
class StoredContracts {
public:
    StoredContracts() : db(dir.filePath(QStringLiteral("db.s3db"))) {
        CreateSchema(db);
        db.Start({}, QStringLiteral("TRANSACTION"));
        const QString rows = QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ");
        db.ExecSQL(QStringLiteral("INSERT INTO urls (url, contract_subject, amount, "
                                  "conclusion_date, execution_date) ") +
                   rows.arg(kStoredContracts) +
                   QStringLiteral("SELECT '%1' || (3770000000000 + i), 'Поставка бумаги, партия ' "
                                  "|| i, i * 1.25, '2024-03-25', '2024-12-31' FROM n")
                       .arg(kUrlPrefix));
        db.ExecSQL(QStringLiteral("INSERT INTO inns (inn) ") + rows.arg(kDistinctInns) +
                   QStringLiteral("SELECT 7700000000 + i FROM n"));
        db.ExecSQL(
            QStringLiteral(
                "INSERT OR IGNORE INTO url_inns (url_id, inn_id) SELECT id, id % %1 + 1 FROM urls "
                "UNION ALL SELECT id, id * 7 % %1 + 1 FROM urls WHERE id % 2 = 0")
                .arg(kDistinctInns));
        db.Commit();
    }

    static StoredContracts& instance() {
        static StoredContracts stored;
        return stored;
    }

    QTemporaryDir dir;
    TSQLiteDatabase db;
};

// range(0): 1 keeps SQLite's default durability (a sync per commit, as the
// program runs); 0 turns syncing off to show the cost of the work itself.
void setDurability(TSQLiteDatabase& db, const benchmark::State& state) {
    db.ExecSQL(state.range(0) ? QStringLiteral("PRAGMA synchronous = FULL")
                              : QStringLiteral("PRAGMA synchronous = OFF"));
}

// Urls written by the benchmark itself, following the stored ones.
std::int64_t g_lastNewUrl = kStoredContracts;

void replaceContracts(benchmark::State& state, bool storedUrls) {
    TSQLiteDatabase& db = StoredContracts::instance().db;
    setDurability(db, state);
    std::mt19937 random(42);
    for (auto _ : state) {
        const std::int64_t n = storedUrls ? random() % kStoredContracts + 1 : ++g_lastNewUrl;
        QStringList inns{innText(n % kDistinctInns + 1)};
        if (n % 2 == 0) inns.append(innText(n * 7 % kDistinctInns + 1));
        ReplaceContract(db, cardUrl(n), QStringLiteral("Поставка бумаги для офисной техники"),
                        QStringLiteral("1234567,89"), QStringLiteral("25.03.2024"),
                        QStringLiteral("31.12.2024"), inns);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReplaceContractNewUrl(benchmark::State& state) {
    replaceContracts(state, false);
}
BENCHMARK(BM_ReplaceContractNewUrl)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ReplaceContractStoredUrl(benchmark::State& state) {
    replaceContracts(state, true);
}
BENCHMARK(BM_ReplaceContractStoredUrl)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void lookUpUrls(benchmark::State& state, std::int64_t offset) {
    TSQLiteDatabase& db = StoredContracts::instance().db;
    std::mt19937 random(7);
    const bool expected = offset == 0;
    for (auto _ : state) {
        const bool stored = IsUrlStored(db, cardUrl(random() % kStoredContracts + 1 + offset));
        if (stored != expected) state.SkipWithError("unexpected look-up result");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_IsUrlStoredHit(benchmark::State& state) {
    lookUpUrls(state, 0);
}
BENCHMARK(BM_IsUrlStoredHit)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Misses: addresses of the same shape beyond every stored and written one.
void BM_IsUrlStoredMiss(benchmark::State& state) {
    lookUpUrls(state, 1000000000);
}
BENCHMARK(BM_IsUrlStoredMiss)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
