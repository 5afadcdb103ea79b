#include "report/WorkbookConversion.h"
#include "report/MissingWorkbooks.h"
#include "report/ReportRows.h"
#include "report/ReportStage.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report/WorkbookXml.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

namespace {

const QString kInn10 = u"7707083893"_q;
const QString kInn12 = u"500100732259"_q;
const QString kSubject = u"Поставка «бумаги» для офиса №1"_q;

// A report of three data lines written by a real report stage.
class WorkbookConversion : public ::testing::Test {
protected:
    WorkbookConversion() {
        folder.store(CardUrl(1), kSubject, u"1234567,89"_q, u"25.03.2024"_q, u"31.12.2024"_q,
                     {kInn12});
        folder.store(CardUrl(2), u"Ремонт"_q, u""_q, u""_q, u""_q, {kInn12});
        folder.store(CardUrl(3), u"Уборка"_q, u"999,5"_q, u"01.02.2024"_q, u""_q, {kInn10});
        ReportContext context = folder.context(kInn12 + u"\n"_q + kInn10);
        report = RunReportStage(context, StageTime()).value(0);
        folder.log.clear();
    }
    void convert(const QStringList& reports) {
        ConvertReportsToWorkbooks(reports, [this](const QString& text) { log.append(text); });
    }

    ProgramFolder folder;
    QString report;
    QStringList log;
};

void expectText(const SheetXml& sheet, const QString& reference, const QString& text) {
    const auto cell = sheet.cells.find(reference);
    ASSERT_NE(cell, sheet.cells.end()) << reference.toStdString();
    EXPECT_TRUE(cell->second.type == u"s" || cell->second.type == u"inlineStr")
        << reference.toStdString();
    EXPECT_EQ(cell->second.value, text) << reference.toStdString();
}

void expectNumber(const SheetXml& sheet, const QString& reference, double value) {
    const auto cell = sheet.cells.find(reference);
    ASSERT_NE(cell, sheet.cells.end()) << reference.toStdString();
    EXPECT_EQ(cell->second.type, u""_q) << reference.toStdString();
    EXPECT_DOUBLE_EQ(cell->second.value.toDouble(), value) << reference.toStdString();
}

// A date cell: the day's serial number, shown dd.mm.yyyy.
void expectDate(const SheetXml& sheet, const QString& reference, const QDate& day,
                const QString& workbook) {
    const auto cell = sheet.cells.find(reference);
    ASSERT_NE(cell, sheet.cells.end()) << reference.toStdString();
    EXPECT_EQ(cell->second.type, u""_q) << reference.toStdString();
    EXPECT_EQ(cell->second.value.toLongLong(), QDate(1899, 12, 30).daysTo(day))
        << reference.toStdString();
    EXPECT_EQ(NumberFormatOfStyle(workbook, cell->second.style), u"dd.mm.yyyy"_q)
        << reference.toStdString();
}

// Every cell of the three-line report, as text, number or date as it should be.
void expectReportCells(const SheetXml& sheet, const QString& workbook) {
    const QStringList header = {u"ИНН поставщика"_q,    u"Ссылка на контракт/договор"_q,
                                u"Предмет контракта"_q, u"Сумма"_q,
                                u"Дата заключения"_q,   u"Срок исполнения"_q};
    for (int column = 0; column < header.size(); ++column)
        expectText(sheet, QChar(u'A' + column) + u"1"_q, header[column]);
    expectText(sheet, u"A2"_q, kInn12);
    expectText(sheet, u"B2"_q, CardUrl(1));
    expectText(sheet, u"C2"_q, kSubject);
    expectNumber(sheet, u"D2"_q, 1234567.89);
    expectDate(sheet, u"E2"_q, QDate(2024, 3, 25), workbook);
    expectDate(sheet, u"F2"_q, QDate(2024, 12, 31), workbook);
    expectText(sheet, u"A3"_q, kInn12);
    expectText(sheet, u"C3"_q, u"Ремонт"_q);
    expectNumber(sheet, u"D3"_q, 0);
    EXPECT_EQ(sheet.cells.count(u"E3"_q), 0u);  // an empty date is an empty cell
    expectText(sheet, u"A4"_q, kInn10);
    expectNumber(sheet, u"D4"_q, 999.5);
    expectDate(sheet, u"E4"_q, QDate(2024, 2, 1), workbook);
    EXPECT_EQ(sheet.rows, 4);
}

}  // namespace

TEST_F(WorkbookConversion, WritesEveryRowAndLogsTheRowCountWithTheHeader) {
    convert({report});
    const QString workbook = folder.path(kStamp + u".xlsx"_q);
    EXPECT_EQ(log, QStringList{u"Файл "_q + workbook + u" сформирован, в нем 4 строк"_q});
    expectReportCells(ReadSheet(workbook), workbook);
}

TEST_F(WorkbookConversion, LaysOutColumnsFilterAndFrozenHeader) {
    convert({report});
    const QString workbook = folder.path(kStamp + u".xlsx"_q);
    const SheetXml sheet = ReadSheet(workbook);
    // Character widths as the spreadsheet stores them: width + 5 pixels of padding.
    const double widths[] = {15, 41, 120, 14, 16, 18, 18};
    ASSERT_EQ(sheet.columns.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(sheet.columns[i].min, i + 1);
        EXPECT_EQ(sheet.columns[i].max, i + 1);
        EXPECT_NEAR(sheet.columns[i].width, widths[i] + 0.7109375, 1e-9) << i;
    }
    EXPECT_EQ(NumberFormatOfStyle(workbook, sheet.columns[3].style), u"#,##0"_q);
    EXPECT_EQ(NumberFormatOfStyle(workbook, sheet.cells.at(u"D2"_q).style), u"#,##0"_q);
    EXPECT_EQ(sheet.autoFilter, u"A1:F1"_q);
    EXPECT_EQ(sheet.paneYSplit, u"1"_q);
    EXPECT_EQ(sheet.paneTopLeft, u"A2"_q);
    EXPECT_EQ(sheet.paneState, u"frozen"_q);
}

TEST_F(WorkbookConversion, ConstantMemoryModeWritesTheSameCells) {
    const QString workbook = folder.path(u"constant.xlsx"_q);
    EXPECT_EQ(WriteReportWorkbook(report, workbook, true), 4);
    const SheetXml sheet = ReadSheet(workbook);
    expectReportCells(sheet, workbook);
    EXPECT_EQ(sheet.cells.at(u"A2"_q).type, u"inlineStr"_q);
}

TEST_F(WorkbookConversion, AFailingFileIsLoggedAndTheOthersStillConvert) {
    const QString missing = folder.path(u"Нет/отчета.tab"_q);
    const QByteArray reportBefore = folder.bytes(kStamp + u".tab"_q);
    convert({missing, report});
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].startsWith(u"Ошибка: Не удалось прочитать файл "_q + missing))
        << log[0].toStdString();
    EXPECT_TRUE(log[1].startsWith(u"Файл "_q)) << log[1].toStdString();
    EXPECT_TRUE(QFile::exists(folder.path(kStamp + u".xlsx"_q)));
    EXPECT_EQ(folder.bytes(kStamp + u".tab"_q), reportBefore);
}

TEST_F(WorkbookConversion, AWorkbookThatCannotBeSavedIsLoggedAndTheReportStays) {
    ASSERT_TRUE(QDir().mkdir(folder.path(kStamp + u".xlsx"_q)));
    const QByteArray reportBefore = folder.bytes(kStamp + u".tab"_q);
    convert({report});
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(u"Ошибка: Не удалось записать книгу "_q)) << log[0].toStdString();
    EXPECT_EQ(folder.bytes(kStamp + u".tab"_q), reportBefore);
    EXPECT_FALSE(QFile::exists(WorkbookPartPath(WorkbookPath(report))));
}

TEST_F(WorkbookConversion, AWorkbookHoldsTheRowsTheStageWroteNotTheFileReadBack) {
    folder.store(CardUrl(4), u"Новый"_q, u"7"_q, u""_q, u""_q, {kInn10});
    ReportRows rows;
    ReportContext context = folder.context(kInn10);
    const QString written = RunReportStage(context, &rows, StageTime(1)).value(0);
    // The same size, other bytes: only rows kept by the stage can give the subject back.
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes.replace("Новый", "Старь");
    file.seek(0);
    file.write(bytes);
    file.close();
    ConvertReportsToWorkbooks({written}, &rows, [this](const QString& text) { log.append(text); });
    const SheetXml sheet = ReadSheet(WorkbookPath(written));
    expectText(sheet, u"C2"_q, u"Новый"_q);
    EXPECT_EQ(sheet.rows, 2);
}

TEST_F(WorkbookConversion, ALaterRunMakesTheWorkbookAKilledRunLeftMissing) {
    // The workbook of the fixture's report was never made; a leftover of a
    // copy that is gone lies beside it, and one of a copy still running.
    const QString gone = WorkbookPath(report) + u".2147483646.part"_q;
    const QString running = WorkbookPartPath(WorkbookPath(report));
    for (const QString& path : {gone, running}) {
        QFile part(path);
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    }
    ReportRows rows;
    ReportContext context = folder.context(kInn10);
    EXPECT_EQ(RunReportStage(context, &rows, StageTime(5)), QStringList());
    EXPECT_EQ(rows.withoutWorkbook, QStringList{report});
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_TRUE(QFile::exists(running));
    QFile::remove(running);

    ConvertReportsToWorkbooks({}, &rows, [this](const QString& text) { log.append(text); });
    expectReportCells(ReadSheet(WorkbookPath(report)), WorkbookPath(report));
    EXPECT_EQ(log,
              QStringList{u"Файл "_q + WorkbookPath(report) + u" сформирован, в нем 4 строк"_q});
    EXPECT_TRUE(ReportsWithoutWorkbook(folder.dir).isEmpty());
}

// Every part of the workbook is well-formed XML (read to its end without error).
void expectWellFormed(const QString& workbook) {
    for (const char* part :
         {"xl/sharedStrings.xml", "xl/worksheets/sheet1.xml", "xl/workbook.xml"}) {
        const QByteArray xml = UnzipMember(workbook, QString::fromLatin1(part));
        if (xml.isEmpty()) continue;  // no shared strings in constant-memory mode
        QXmlStreamReader reader(xml);
        while (!reader.atEnd())
            reader.readNext();
        EXPECT_FALSE(reader.hasError()) << part << ": " << reader.errorString().toStdString();
    }
}

// A subject holding characters XML 1.0 does not allow (noncharacters, a lone
// surrogate, a control) is written with each replaced: the workbook stays
// readable, and so does every other contract in it.
TEST(WorkbookText, CharactersXmlDoesNotAllowAreReplaced) {
    const QString subject = u"Поставка \uFFFF\uFFFE "_q + QChar(0xD800) + u" \x01\tконец 😀"_q;
    // The report file already turns the tab into a blank.
    const QString shown = u"Поставка \uFFFD\uFFFD \uFFFD \uFFFD конец 😀"_q;
    ProgramFolder folder;
    folder.store(CardUrl(1), subject, u"1,00"_q, u""_q, u""_q, {kInn10});
    folder.store(CardUrl(2), u"Уборка"_q, u"2,00"_q, u""_q, u""_q, {kInn10});
    ReportContext context = folder.context(kInn10);
    const QString report = RunReportStage(context, StageTime()).value(0);
    for (const bool constantMemory : {false, true}) {
        const QString workbook =
            folder.path(constantMemory ? u"constant.xlsx"_q : u"shared.xlsx"_q);
        EXPECT_EQ(WriteReportWorkbook(report, workbook, constantMemory), 3);
        expectWellFormed(workbook);
        const SheetXml sheet = ReadSheet(workbook);
        QStringList subjects;
        for (const auto& [reference, cell] : sheet.cells) {
            if (reference.startsWith(u'C') && reference != u"C1") subjects << cell.value;
        }
        subjects.sort();
        EXPECT_EQ(subjects, QStringList({shown, u"Уборка"_q}));
    }
}

TEST(WorkbookPath, ReplacesTheExtension) {
    EXPECT_EQ(WorkbookPath(u"/p/Группа/2024-03-25_14-05-09.tab"_q),
              u"/p/Группа/2024-03-25_14-05-09.xlsx"_q);
    EXPECT_EQ(WorkbookPath(u"/p/a.b/report"_q), u"/p/a.b/report.xlsx"_q);
}
