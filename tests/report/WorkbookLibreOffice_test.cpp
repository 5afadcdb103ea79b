// The workbook opened by a real spreadsheet application: LibreOffice, run
// headless, converts it to CSV, which must hold the report's rows. A workbook
// the application had to repair would not convert cleanly.
#include "report/ReportReader.h"
#include "report/ReportStage.h"
#include "report/WorkbookConversion.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>

namespace {

// The sheet as CSV (tab-separated, UTF-8, cells as shown), or empty.
QString convertToCsv(const QString& soffice, const QString& workbook, const QString& outDir) {
    QTemporaryDir home;  // the application's profile goes here, not into the user's home
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    process.setProcessEnvironment(environment);
    process.start(soffice, {QStringLiteral("-env:UserInstallation=") +
                                QUrl::fromLocalFile(home.path() + u"/profile"_q).toString(),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                            QStringLiteral("csv:Text - txt - csv (StarCalc):9,34,76"),
                            QStringLiteral("--outdir"), outDir, workbook});
    if (!process.waitForFinished(180000) || process.exitCode() != 0) return {};
    QFile csv(outDir + u"/"_q + QFileInfo(workbook).completeBaseName() + u".csv"_q);
    return csv.open(QIODevice::ReadOnly) ? QString::fromUtf8(csv.readAll()) : QString();
}

QStringList csvFields(const QString& line) {
    QStringList fields = line.split(QLatin1Char('\t'));
    for (QString& field : fields) {
        if (field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
            field = field.mid(1, field.size() - 2).replace(u"\"\""_q, u"\""_q);
    }
    while (fields.size() < 6)
        fields.append(QString());
    return fields;
}

// The amount of the report as the format "#,##0" shows it, digits only.
QString shownWholeNumber(const QString& amount) {
    const double value = QString(amount).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    return QString::number(static_cast<long long>(std::round(value)));
}

}  // namespace

TEST(WorkbookInLibreOffice, OpensWithEveryRowOfTheReport) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: scripts/install-deps.sh "
                        "installs libreoffice-calc-nogui";
    }
    ProgramFolder folder;
    folder.store(CardUrl(1), u"Поставка «бумаги», партия №1"_q, u"1234567,89"_q, u"25.03.2024"_q,
                 u"31.12.2024"_q, {u"500100732259"_q});
    folder.store(CardUrl(2), u"Ремонт"_q, u""_q, u""_q, u""_q, {u"500100732259"_q});
    folder.store(CardUrl(3), u"Уборка"_q, u"999,5"_q, u"01.02.2024"_q, u""_q, {u"7707083893"_q});
    ReportContext context = folder.context(u"500100732259\n7707083893"_q);
    const QString report = RunReportStage(context, StageTime()).value(0);
    ConvertReportsToWorkbooks({report}, [](const QString&) {});

    const QString csv = convertToCsv(soffice, WorkbookPath(report), folder.dir + u"csv"_q);
    ASSERT_FALSE(csv.isEmpty()) << "LibreOffice did not convert the workbook";
    const QStringList lines = SplitLines(csv);
    ReportReader reader(ReadReportText(report));
    QStringList expected;
    int row = 0;
    while (reader.next(expected)) {
        ASSERT_LT(row, lines.size());
        QStringList shown = csvFields(lines[row]);
        if (row > 0) {
            shown[3].remove(QRegularExpression(u"[^0-9]"_q));
            expected[3] = shownWholeNumber(expected[3]);
            // Dates are date cells, shown dd.mm.yyyy.
            for (const int column : {4, 5})
                expected[column] =
                    QDate::fromString(expected[column], u"yyyy-MM-dd"_q).toString(u"dd.MM.yyyy"_q);
        }
        EXPECT_EQ(shown, expected) << "row " << row + 1;
        ++row;
    }
    EXPECT_EQ(row, 4);
    EXPECT_EQ(lines.size(), row);
}

// A noncharacter in one subject once made the whole workbook unreadable: the
// application reads it with the character replaced and every other row there.
TEST(WorkbookInLibreOffice, ReadsAWorkbookWhoseSubjectHeldANoncharacter) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    ProgramFolder folder;
    folder.store(CardUrl(1), u"Поставка \uFFFF бумаги"_q, u"1,00"_q, u""_q, u""_q,
                 {u"7707083893"_q});
    folder.store(CardUrl(2), u"Уборка"_q, u"2,00"_q, u""_q, u""_q, {u"7707083893"_q});
    ReportContext context = folder.context(u"7707083893"_q);
    const QString report = RunReportStage(context, StageTime()).value(0);
    ConvertReportsToWorkbooks({report}, [](const QString&) {});

    const QString csv = convertToCsv(soffice, WorkbookPath(report), folder.dir + u"csv"_q);
    ASSERT_FALSE(csv.isEmpty()) << "LibreOffice did not convert the workbook";
    EXPECT_TRUE(csv.contains(u"Поставка \uFFFD бумаги"_q)) << csv.toStdString();
    EXPECT_TRUE(csv.contains(u"Уборка"_q));
}
