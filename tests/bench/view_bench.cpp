// Measures the window's contracts view loading 100 000 stored contracts of a
// ten-INN list (10 000 each, with their customers): the read through its own
// read-only connection and the filling of its table, as a refresh does it.
// Runs on the offscreen platform; prints the wall time of five loads and
// asserts nothing.
#include "app/ContractsView.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kContracts = 100000;
constexpr int kInns = 10;

void prepare(const QString& path) {
    TSQLiteDatabase db(path);
    CreateSchema(db);
    db.Start({}, QStringLiteral("TRANSACTION"));
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ");
    db.ExecSQL(QStringLiteral("INSERT INTO urls (url, contract_subject, amount, conclusion_date, "
                              "execution_date, customer_name, customer_inn) ") +
               rows.arg(kContracts) +
               QStringLiteral("SELECT 'https://zakupki.gov.ru/epz/contract/contractCard/"
                              "common-info.html?reestrNumber=' || (3770000000000 + i), "
                              "'Поставка бумаги для нужд учреждения, партия ' || i, i * 1.25, "
                              "date('2020-01-01', '+' || (i % 1800) || ' days'), '2026-12-31', "
                              "'ГБУ \"Школа № ' || (i % 500) || '\"', '7718225444' FROM n"));
    db.ExecSQL(QStringLiteral("INSERT INTO inns (inn) ") + rows.arg(kInns) +
               QStringLiteral("SELECT 7700000000 + i FROM n"));
    db.ExecSQL(QStringLiteral("INSERT INTO url_inns (url_id, inn_id) SELECT id, id % %1 + 1 "
                              "FROM urls")
                   .arg(kInns));
    db.Commit();
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.s3db"));
    prepare(path);
    QString innList;
    for (int i = 1; i <= kInns; ++i)
        innList += QString::number(7700000000LL + i) + QStringLiteral("\r\n");
    ContractsView view;
    view.setSource(path, [&innList] { return innList; });
    for (int run = 1; run <= 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        view.refresh();
        std::printf("load %d: %d rows in %lld ms (%s)\n", run, view.shownRows(),
                    static_cast<long long>(clock.elapsed()), qPrintable(view.totalsText()));
    }
    return 0;
}
