// The sheets «Итоги» and «Все контракты» after the report's own, read back by
// a real spreadsheet application: LibreOffice, run headless, converts every
// sheet to CSV (cells as shown).
#include "report/WorkbookSheets.h"
#include "report/ReportRows.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"
#include "store/ContractCustomer.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report/WorkbookXml.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

const QString kInnA = u"7707083893"_q;
const QString kInnB = u"500100732259"_q;
const QString k223 = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=5"_q;

// Every sheet of the workbook as CSV lines of tab-separated fields, by sheet name.
std::map<QString, std::vector<QStringList>> sheetsAsCsv(const QString& soffice,
                                                        const QString& workbook) {
    QTemporaryDir home;
    QTemporaryDir out;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    process.setProcessEnvironment(environment);
    process.start(soffice, {QStringLiteral("-env:UserInstallation=") +
                                QUrl::fromLocalFile(home.path() + u"/profile"_q).toString(),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                            QStringLiteral("csv:Text - txt - csv (StarCalc):9,34,76,1,,1033,"
                                           "false,true,true,false,false,-1"),
                            QStringLiteral("--outdir"), out.path(), workbook});
    std::map<QString, std::vector<QStringList>> sheets;
    if (!process.waitForFinished(180000) || process.exitCode() != 0) return sheets;
    const QString base = QFileInfo(workbook).completeBaseName() + u"-"_q;
    for (const QString& name : QDir(out.path()).entryList({u"*.csv"_q})) {
        QFile file(out.path() + u"/"_q + name);
        if (!file.open(QIODevice::ReadOnly)) continue;
        std::vector<QStringList>& lines =
            sheets[QFileInfo(name).completeBaseName().mid(base.size())];
        for (const QString& line : SplitLines(QString::fromUtf8(file.readAll()))) {
            QStringList fields = line.split(QLatin1Char('\t'));
            for (QString& field : fields) {
                if (field.startsWith(u'"') && field.endsWith(u'"'))
                    field = field.mid(1, field.size() - 2).replace(u"\"\""_q, u"\""_q);
            }
            lines.push_back(fields);
        }
    }
    return sheets;
}

QString digits(QString text) {
    return text.remove(QRegularExpression(u"[^0-9]"_q));
}

const QStringList* rowStartingWith(const std::vector<QStringList>& rows, const QStringList& start) {
    for (const QStringList& row : rows) {
        if (row.mid(0, start.size()) == start) return &row;
    }
    return nullptr;
}

}  // namespace

// Two INNs without a group: an earlier report showed one contract of A; this
// one shows a new 223-FZ contract of A and one of B. A contract of A lies
// outside the date range.
TEST(WorkbookSheets, TotalsAndAllContractsMatchTheDatabase) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    ProgramFolder folder;
    folder.store(CardUrl(1), u"Бумага"_q, u"1234567,89"_q, u"25.03.2024"_q, u"31.12.2024"_q,
                 {kInnA});
    folder.store(CardUrl(2), u"Старый"_q, u"50"_q, u"10.01.2022"_q, u""_q, {kInnA});
    SetContractCustomer(*folder.db, CardUrl(1), u"ГБУ \"Школа № 5\""_q, u"7718225444"_q);
    const QString list = kInnA + u"\n"_q + kInnB;
    ReportContext first = folder.context(list);
    RunReportStage(first, StageTime());
    folder.store(k223, u"Связь"_q, u"100"_q, u"01.05.2023"_q, u""_q, {kInnA});
    folder.store(CardUrl(3), u"Уборка"_q, u"999,5"_q, u"01.02.2024"_q, u""_q, {kInnB});

    ReportRows rows;
    rows.sheets = {folder.db.get(), folder.dir, list, QDate(2023, 1, 1), QDate(2024, 12, 31)};
    ReportContext context = folder.context(list);
    const QString report = RunReportStage(context, &rows, StageTime(60)).value(0);
    EXPECT_EQ(InnsOfReportFile(rows.sheets, report), (QStringList{kInnA, kInnB}));
    ConvertReportsToWorkbooks({report}, &rows, [](const QString&) {});
    const QString workbook = WorkbookPath(report);

    // The report's own sheet keeps its layout.
    const SheetXml own = ReadSheet(workbook);
    EXPECT_EQ(own.rows, 3);
    EXPECT_EQ(own.autoFilter, u"A1:F1"_q);
    EXPECT_EQ(own.columns.size(), 7u);
    EXPECT_EQ(own.paneTopLeft, u"A2"_q);

    auto sheets = sheetsAsCsv(soffice, workbook);
    ASSERT_EQ(sheets.size(), 3u) << "LibreOffice did not convert every sheet";
    const std::vector<QStringList>& totals = sheets[u"Итоги"_q];
    // A: 1 new (100), 2 stored in the range (1 234 667,89); B: 1 new, 1 stored (999,5).
    const QStringList* a = rowStartingWith(totals, {kInnA});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->at(1), u"1"_q);
    EXPECT_EQ(digits(a->at(2)), u"10000"_q);
    EXPECT_EQ(a->at(3), u"2"_q);
    EXPECT_EQ(digits(a->at(4)), u"123466789"_q);
    const QStringList* b = rowStartingWith(totals, {kInnB});
    ASSERT_TRUE(b);
    EXPECT_EQ(b->mid(1, 1) + b->mid(3, 1), (QStringList{u"1"_q, u"1"_q}));
    const QStringList* all = rowStartingWith(totals, {u"Итого"_q});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->at(1), u"2"_q);
    EXPECT_EQ(all->at(3), u"3"_q);
    EXPECT_EQ(digits(all->at(4)), u"123566739"_q);
    const QStringList* y2024 = rowStartingWith(totals, {u"44-ФЗ"_q, u"2024"_q});
    ASSERT_TRUE(y2024);
    EXPECT_EQ(y2024->at(2), u"2"_q);
    const QStringList* y2023 = rowStartingWith(totals, {u"223-ФЗ"_q, u"2023"_q});
    ASSERT_TRUE(y2023);
    EXPECT_EQ(digits(y2023->at(3)), u"10000"_q);

    const std::vector<QStringList>& contracts = sheets[u"Все контракты"_q];
    ASSERT_EQ(contracts.size(), 4u);  // header and the three of the range
    const QStringList* paper = rowStartingWith(contracts, {kInnA, u"44-ФЗ"_q, CardUrl(1)});
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->at(5), u"25.03.2024"_q);
    EXPECT_EQ(paper->at(6), u"31.12.2024"_q);
    EXPECT_EQ(paper->at(7), u"ГБУ \"Школа № 5\""_q);
    EXPECT_EQ(paper->at(8), u"7718225444"_q);
    EXPECT_EQ(paper->value(9), u""_q);  // shown by the earlier report
    const QStringList* link = rowStartingWith(contracts, {kInnA, u"223-ФЗ"_q, k223});
    ASSERT_TRUE(link);
    EXPECT_EQ(link->value(9), u"да"_q);
}

TEST(WorkbookSheets, LinksAreHyperlinks) {
    ProgramFolder folder;
    folder.store(CardUrl(1), u"Бумага"_q, u"1"_q, u"25.03.2024"_q, u""_q, {kInnA});
    ReportRows rows;
    rows.sheets = {folder.db.get(), folder.dir, kInnA, {}, {}};
    ReportContext context = folder.context(kInnA);
    const QString report = RunReportStage(context, &rows, StageTime()).value(0);
    ConvertReportsToWorkbooks({report}, &rows, [](const QString&) {});
    const QString workbook = WorkbookPath(report);
    for (const QString& sheet : {u"sheet1"_q, u"sheet3"_q}) {
        const QString rels = QString::fromUtf8(
            UnzipMember(workbook, u"xl/worksheets/_rels/"_q + sheet + u".xml.rels"_q));
        EXPECT_TRUE(rels.contains(u"Target=\""_q + CardUrl(1) + u"\" TargetMode=\"External\""_q))
            << sheet.toStdString() << rels.toStdString();
    }
    EXPECT_TRUE(QString::fromUtf8(UnzipMember(workbook, u"xl/worksheets/sheet1.xml"_q))
                    .contains(u"<hyperlink ref=\"B2\""_q));
}
