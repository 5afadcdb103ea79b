// Measures the report stage over 10 000 requested INNs against 100 000 stored
// contracts, and the workbook of the resulting 100 000-line report, in both
// libxlsxwriter modes. Each measurement runs in a process of its own so its
// peak memory is its own:
//   report_bench                       everything, in a temporary folder
//   report_bench prepare <dir>         the database only
//   report_bench stage <dir>           one report stage over it
//   report_bench workbook <tab> <constant|memory>
//   report_bench shown <dir>           shown.txt of 1 000 000 links (earlier reports)
//   report_bench stage <dir> shown     the stage with those links loaded as a run loads them
// Prints wall time and peak resident memory; asserts nothing.
#include "platform/TextFile.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"
#include "store/ContractStore.h"

#include <sys/resource.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

constexpr int kContracts = 100000;
constexpr int kInns = 10000;  // ten contracts each
constexpr int kShownLinks = 1000000;

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void prepare(const QString& dir) {
    TSQLiteDatabase db(dir + QStringLiteral("db.s3db"));
    CreateSchema(db);
    db.Start({}, QStringLiteral("TRANSACTION"));
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ");
    db.ExecSQL(QStringLiteral("INSERT INTO urls (url, contract_subject, amount, conclusion_date, "
                              "execution_date) ") +
               rows.arg(kContracts) +
               QStringLiteral("SELECT 'https://zakupki.gov.ru/epz/contract/contractCard/"
                              "common-info.html?reestrNumber=' || (3770000000000 + i), "
                              "'Поставка бумаги для нужд учреждения, партия ' || i, i * 1.25, "
                              "'2024-03-25', '2024-12-31' FROM n"));
    db.ExecSQL(QStringLiteral("INSERT INTO inns (inn) ") + rows.arg(kInns) +
               QStringLiteral("SELECT 7700000000 + i FROM n"));
    db.ExecSQL(QStringLiteral("INSERT INTO url_inns (url_id, inn_id) SELECT id, id % %1 + 1 "
                              "FROM urls")
                   .arg(kInns));
    db.Commit();
}

// A shown.txt of earlier runs' links, none of them a contract of this database.
void writeShown(const QString& dir) {
    QString text;
    for (int i = 0; i < kShownLinks; ++i) {
        text += QStringLiteral(
                    "https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?"
                    "reestrNumber=%1\r\n")
                    .arg(2770000000000LL + i);
    }
    WriteTextFile(dir + QStringLiteral("shown.txt"), text, TextEncoding::Utf8Bom);
}

int stage(const QString& dir, bool withShown) {
    // As a run loads shown.txt at its start and hands its lines to the stage.
    QStringList shownLines;
    if (withShown) {
        if (std::optional<DecodedText> shown = ReadTextFile(dir + QStringLiteral("shown.txt")))
            shownLines = SplitLines(std::exchange(shown->text, {}));
    }
    TSQLiteDatabase db(dir + QStringLiteral("db.s3db"));
    QString innList;
    for (int i = 1; i <= kInns; ++i)
        innList += QString::number(7700000000LL + i) + QStringLiteral("\r\n");
    long logLines = 0;
    ReportContext context{db,
                          innList,
                          dir,
                          QStringLiteral("log1.txt"),
                          std::move(shownLines),
                          TextEncoding::Utf8Bom,
                          [&logLines](const QString&) { ++logLines; },
                          {}};
    const long before = peakMegabytes();
    QElapsedTimer timer;
    timer.start();
    const QStringList files = RunReportStage(context);
    std::printf(
        "report stage: %d INNs, %d contracts -> %lld file(s), %lld shown links: %.2f s, "
        "peak RSS %ld MB (%ld MB before the stage)\n",
        kInns, kContracts, static_cast<long long>(files.size()),
        static_cast<long long>(context.shownLinks.size()), timer.elapsed() / 1000.0,
        peakMegabytes(), before);
    return files.size() == 1 ? 0 : 1;
}

int workbook(const QString& report, bool constantMemory) {
    const long before = peakMegabytes();
    QElapsedTimer timer;
    timer.start();
    const int rows = WriteReportWorkbook(report, WorkbookPath(report), constantMemory);
    std::printf("workbook (%s): %d rows: %.2f s, peak RSS %ld MB (%ld MB before)\n",
                constantMemory ? "constant memory" : "in memory", rows, timer.elapsed() / 1000.0,
                peakMegabytes(), before);
    return 0;
}

int runChild(const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral("/proc/self/exe"), arguments);
    child.waitForFinished(-1);
    return child.exitCode();
}

int everything() {
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    if (runChild({QStringLiteral("prepare"), path}) != 0) return 1;
    if (runChild({QStringLiteral("stage"), path}) != 0) return 1;
    const QStringList reports = QDir(path).entryList({QStringLiteral("*.tab")});
    if (reports.isEmpty()) return 1;
    std::printf("report file: %lld bytes\n",
                static_cast<long long>(QFileInfo(path + reports[0]).size()));
    runChild({QStringLiteral("workbook"), path + reports[0], QStringLiteral("memory")});
    runChild({QStringLiteral("workbook"), path + reports[0], QStringLiteral("constant")});
    std::printf("workbook file: %lld bytes\n",
                static_cast<long long>(QFileInfo(WorkbookPath(path + reports[0])).size()));
    // Again, over a fresh database, with a shown.txt of a million earlier links.
    QTemporaryDir shownDir;
    const QString shownPath = shownDir.path() + QLatin1Char('/');
    if (runChild({QStringLiteral("prepare"), shownPath}) != 0) return 1;
    if (runChild({QStringLiteral("shown"), shownPath}) != 0) return 1;
    std::printf("shown.txt: %lld bytes\n",
                static_cast<long long>(QFileInfo(shownPath + QStringLiteral("shown.txt")).size()));
    if (runChild({QStringLiteral("stage"), shownPath, QStringLiteral("shown")}) != 0) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString target = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    try {
        if (mode == u"prepare") return prepare(target), 0;
        if (mode == u"shown") return writeShown(target), 0;
        if (mode == u"stage") return stage(target, argc > 3 && qstrcmp(argv[3], "shown") == 0);
        if (mode == u"workbook")
            return workbook(target, argc > 3 && qstrcmp(argv[3], "constant") == 0);
        return everything();
    } catch (const EGeneralError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
