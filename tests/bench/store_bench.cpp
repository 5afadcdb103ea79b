// The contract store's operations as a run calls them, on file databases of 100 000 and
// 1 000 000 stored contracts: writing a card's contract (44-FZ and capital-repair cards replace
// it with its INNs; a 223-FZ card stores it, marked until a follow-up page links the INNs), and the
// result list's look-up of a card address.
//
//   store_bench [--data-dir DIR] [Google Benchmark options]
//
// Each database is populated once, in one transaction, and kept as DIR/contracts-N.s3db (by
// default store_bench_data beside this program, i.e. in the build folder); a run works on a fresh
// copy of it, so the figures do not drift with the rows earlier runs wrote. Every contract has a
// 19-digit 44-FZ card address, a subject of about 90 letters, an amount, two dates, and one or
// two supplier INNs (1.5 on average) out of 0.3 distinct INNs a contract. Its size per contract
// is printed when the database is opened.
#include "store/ContractStore.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kInnsPerContract10 = 3;  // distinct INNs: 0.3 a contract
constexpr std::int64_t kFirstNumber = 2770000000000000000LL;

QString g_dataDir;

const QString kUrlPrefix = QStringLiteral(
    "https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=");

QString cardUrl(std::int64_t n) {
    return kUrlPrefix + QString::number(kFirstNumber + n);
}

QString innText(std::int64_t n) {
    return QString::number(7700000000LL + n);
}

void populate(TSQLiteDatabase& db, std::int64_t contracts) {
    const std::int64_t inns = contracts * kInnsPerContract10 / 10;
    CreateSchema(db);
    db.Start({}, QStringLiteral("TRANSACTION"));
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ");
    db.ExecSQL(QStringLiteral("INSERT INTO urls (url, contract_subject, amount, "
                              "conclusion_date, execution_date) ") +
               rows.arg(contracts) +
               QStringLiteral("SELECT '%1' || (%2 + i), 'Поставка бумаги для офисной техники и "
                              "канцелярских товаров для нужд учреждения, партия № ' || i, "
                              "i * 1.25, '2024-03-25', '2024-12-31' FROM n")
                   .arg(kUrlPrefix)
                   .arg(kFirstNumber));
    db.ExecSQL(QStringLiteral("INSERT INTO inns (inn) ") + rows.arg(inns) +
               QStringLiteral("SELECT 7700000000 + i FROM n"));
    db.ExecSQL(
        QStringLiteral(
            "INSERT OR IGNORE INTO url_inns (url_id, inn_id) SELECT id, id % %1 + 1 FROM urls "
            "UNION ALL SELECT id, id * 7 % %1 + 1 FROM urls WHERE id % 2 = 0")
            .arg(inns));
    db.Commit();
}

// The size of the database and of its tables and indexes, per contract.
void printSize(TSQLiteDatabase& db, const QString& path, std::int64_t contracts) {
    const double bytes = static_cast<double>(QFileInfo(path).size());
    std::printf(
        "%s: %lld contracts, %lld INN links, %.1f MB = %.0f bytes a contract",
        qPrintable(QFileInfo(path).fileName()), static_cast<long long>(contracts),
        static_cast<long long>(db.GetTableValue(QStringLiteral("SELECT count(*) FROM url_inns"))),
        bytes / 1e6, bytes / contracts);
    try {
        TSQLiteTable parts = db.GetTable(QStringLiteral(
            "SELECT name, sum(pgsize) FROM dbstat GROUP BY name ORDER BY sum(pgsize) DESC"));
        std::printf(" (");
        for (bool first = true; !parts.Eof(); parts.Next(), first = false) {
            std::printf("%s%s %.0f", first ? "" : ", ", qPrintable(parts.FieldAsString(0)),
                        parts.FieldAsString(1).toDouble() / contracts);
        }
        std::printf(")");
    } catch (const std::exception&) {
        // SQLite without the dbstat table: the file size alone.
    }
    std::printf("\n");
    std::fflush(stdout);
}

// A working copy of the cached database of this many contracts, opened once per process.
class StoredContracts {
public:
    explicit StoredContracts(std::int64_t contracts) : count(contracts) {
        QDir().mkpath(g_dataDir);
        const QString cached = g_dataDir + QStringLiteral("/contracts-%1.s3db").arg(contracts);
        if (!usable(cached, contracts)) {
            QFile::remove(cached);
            std::printf("populating %s ...\n", qPrintable(cached));
            std::fflush(stdout);
            TSQLiteDatabase db(cached);
            populate(db, contracts);
        }
        const QString working = g_dataDir + QStringLiteral("/working-%1.s3db").arg(contracts);
        QFile::remove(working);
        QFile::remove(working + QStringLiteral("-journal"));
        QFile::copy(cached, working);
        db = std::make_unique<TSQLiteDatabase>(working);
        CreateSchema(*db);
        printSize(*db, cached, contracts);
        lastNewUrl = contracts;
    }

    static StoredContracts& instance(std::int64_t contracts) {
        static std::map<std::int64_t, std::unique_ptr<StoredContracts>> stored;
        auto& entry = stored[contracts];
        if (!entry) entry = std::make_unique<StoredContracts>(contracts);
        return *entry;
    }

    const std::int64_t count;
    std::unique_ptr<TSQLiteDatabase> db;
    std::int64_t lastNewUrl;  // urls written by the benchmarks follow the stored ones

private:
    static bool usable(const QString& path, std::int64_t contracts) {
        if (!QFileInfo::exists(path)) return false;
        try {
            TSQLiteDatabase db(path);
            return db.GetTableValue(QStringLiteral("SELECT count(*) FROM urls")) == contracts;
        } catch (const std::exception&) {
            return false;
        }
    }
};

// range(0): 1 keeps SQLite's default durability (a sync per commit, as the program runs); 0 turns
// syncing off to show the cost of the work itself. range(1): the stored contracts.
StoredContracts& openWithDurability(const benchmark::State& state) {
    StoredContracts& stored = StoredContracts::instance(state.range(1));
    stored.db->ExecSQL(state.range(0) ? QStringLiteral("PRAGMA synchronous = FULL")
                                      : QStringLiteral("PRAGMA synchronous = OFF"));
    return stored;
}

QStringList innsOf(std::int64_t n, std::int64_t distinctInns) {
    QStringList inns{innText(n % distinctInns + 1)};
    if (n % 2 == 0) inns.append(innText(n * 7 % distinctInns + 1));
    return inns;
}

void replaceContracts(benchmark::State& state, bool storedUrls) {
    StoredContracts& stored = openWithDurability(state);
    const std::int64_t distinctInns = stored.count * kInnsPerContract10 / 10;
    std::mt19937 random(42);
    for (auto _ : state) {
        const std::int64_t n = storedUrls ? random() % stored.count + 1 : ++stored.lastNewUrl;
        ReplaceContract(*stored.db, cardUrl(n),
                        QStringLiteral("Поставка бумаги для офисной техники"),
                        QStringLiteral("1234567,89"), QStringLiteral("25.03.2024"),
                        QStringLiteral("31.12.2024"), innsOf(n, distinctInns));
    }
    state.SetItemsProcessed(state.iterations());
}

void sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t synced : {1, 0}) {
        for (std::int64_t contracts : {100000, 1000000})
            b->Args({synced, contracts});
    }
    b->ArgNames({"synced", "stored"})->Unit(benchmark::kMicrosecond)->UseRealTime();
}

// A 44-FZ or capital-repair card: its contract with its INNs, in one transaction.
void BM_ReplaceContractNewUrl(benchmark::State& state) {
    replaceContracts(state, false);
}
BENCHMARK(BM_ReplaceContractNewUrl)->Apply(sizes);

void BM_ReplaceContractStoredUrl(benchmark::State& state) {
    replaceContracts(state, true);
}
BENCHMARK(BM_ReplaceContractStoredUrl)->Apply(sizes);

// A 223-FZ card and its supplier list, as a run writes them: the card marked as waiting for its
// follow-up, its contract stored, then the follow-up's INNs linked and the mark cleared (four
// commits).
void BM_Card223WithFollowUp(benchmark::State& state) {
    StoredContracts& stored = openWithDurability(state);
    const std::int64_t distinctInns = stored.count * kInnsPerContract10 / 10;
    for (auto _ : state) {
        const std::int64_t n = ++stored.lastNewUrl;
        const QString url = cardUrl(n);
        MarkFollowUpPending(*stored.db, url);
        StoreContract(*stored.db, url, QStringLiteral("Оказание услуг по уборке помещений"),
                      QStringLiteral("675000,00"), QStringLiteral("05.03.2024"),
                      QStringLiteral("31.12.2024"));
        LinkInnsToUrl(*stored.db, url, innsOf(n, distinctInns));
        ClearFollowUpPending(*stored.db, url);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Card223WithFollowUp)->Apply(sizes);

void lookUpUrls(benchmark::State& state, std::int64_t offset) {
    StoredContracts& stored = StoredContracts::instance(state.range(0));
    std::mt19937 random(7);
    const bool expected = offset == 0;
    for (auto _ : state) {
        // The result list's question, as a run asks it: stored, and not waiting for follow-ups.
        const QString url = cardUrl(random() % stored.count + 1 + offset);
        const bool found = IsUrlStored(*stored.db, url) && !IsFollowUpPending(*stored.db, url);
        if (found != expected) state.SkipWithError("unexpected look-up result");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_LookUpStoredCard(benchmark::State& state) {
    lookUpUrls(state, 0);
}
BENCHMARK(BM_LookUpStoredCard)
    ->Arg(100000)
    ->Arg(1000000)
    ->ArgName("stored")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Misses: addresses of the same shape beyond every stored and written one.
void BM_LookUpNewCard(benchmark::State& state) {
    lookUpUrls(state, 100000000000LL);
}
BENCHMARK(BM_LookUpNewCard)
    ->Arg(100000)
    ->Arg(1000000)
    ->ArgName("stored")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    g_dataDir = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() +
                QStringLiteral("/store_bench_data");
    // Our own option first; Google Benchmark rejects what it does not know.
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--data-dir" && i + 1 < argc) {
            g_dataDir = QString::fromLocal8Bit(argv[++i]);
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
