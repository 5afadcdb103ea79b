#include "report/ReportStage.h"
#include "platform/FileLock.h"
#include "report/ReportFile.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <thread>

namespace {

const QString kInnA = u"7707083893"_q;
const QString kInnB = u"500100732259"_q;
const QString kInnC = u"7736050003"_q;
const QString kStarted = u"Начинаем поиск заданных ИНН в базе"_q;
const QString kTab = kStamp + u".tab"_q;

QString alreadyShown(const QString& url) {
    return u"ссылка уже выводилась, пропускаем "_q + url;
}

QString dataLine(const QString& inn, int card, const QString& subject, const QString& amount,
                 const QString& concluded = u"2024-03-25"_q,
                 const QString& executed = u"2024-12-31"_q) {
    return u"\""_q + inn + u"\"\t\""_q + CardUrl(card) + u"\"\t\""_q + subject + u"\"\t\""_q +
           amount + u"\"\t\""_q + concluded + u"\"\t\""_q + executed + u"\""_q;
}

QByteArray reportBytes(const QStringList& dataLines) {
    QByteArray bytes = kBom + HeaderBytes();
    for (const QString& line : dataLines)
        bytes += (line + u"\r\n"_q).toUtf8();
    return bytes;
}

class ReportStageRun : public ::testing::Test {
protected:
    void storeCard(int card, const QString& subject, const QString& amount,
                   const QStringList& inns) {
        folder.store(CardUrl(card), subject, amount, u"25.03.2024"_q, u"31.12.2024"_q, inns);
    }
    QStringList run(const QString& innList, int secondsLater = 0) {
        ReportContext context = folder.context(innList);
        return RunReportStage(context, StageTime(secondsLater));
    }

    ProgramFolder folder;
};

}  // namespace

TEST_F(ReportStageRun, TwoGroupsAndABareInnGiveThreeFilesInTheirPlaces) {
    storeCard(1, u"Поставка бумаги"_q, u"1234567,89"_q, {kInnA});
    storeCard(2, u"Ремонт кровли"_q, u"100"_q, {kInnB});
    storeCard(3, u"Уборка"_q, u"0,5"_q, {kInnC});
    const QStringList files =
        run(kInnA + u"\r\nГруппа Б\t"_q + kInnB + u"\r\nГруппа В\tметка\t"_q + kInnC + u"\r\n"_q);

    EXPECT_EQ(files, QStringList({folder.path(kTab), folder.path(u"Группа Б/"_q + kTab),
                                  folder.path(u"Группа В/"_q + kTab)}));
    EXPECT_EQ(folder.bytes(kTab),
              reportBytes({dataLine(kInnA, 1, u"Поставка бумаги"_q, u"1234567,89"_q)}));
    EXPECT_EQ(folder.bytes(u"Группа Б/"_q + kTab),
              reportBytes({dataLine(kInnB, 2, u"Ремонт кровли"_q, u"100,00"_q)}));
    EXPECT_EQ(folder.bytes(u"Группа В/"_q + kTab),
              reportBytes({dataLine(kInnC, 3, u"Уборка"_q, u"0,50"_q)}));
    EXPECT_EQ(folder.log, QStringList{kStarted});
    EXPECT_EQ(
        folder.bytes(u"shown.txt"_q),
        kBom + (CardUrl(1) + u"\r\n"_q + CardUrl(2) + u"\r\n"_q + CardUrl(3) + u"\r\n"_q).toUtf8());
}

TEST_F(ReportStageRun, AContractOfTwoRequestedInnsIsWrittenOnceUnderTheFirst) {
    storeCard(1, u"Общий контракт"_q, u"10"_q, {kInnA, kInnB});
    storeCard(2, u"Только Б"_q, u"20"_q, {kInnB});
    const QStringList files = run(kInnA + u"\n"_q + kInnB);

    EXPECT_EQ(files, QStringList{folder.path(kTab)});
    EXPECT_EQ(folder.bytes(kTab), reportBytes({dataLine(kInnA, 1, u"Общий контракт"_q, u"10,00"_q),
                                               dataLine(kInnB, 2, u"Только Б"_q, u"20,00"_q)}));
    EXPECT_EQ(folder.log, QStringList({kStarted, alreadyShown(CardUrl(1))}));
}

TEST_F(ReportStageRun, ASecondRunReportsNothingTwice) {
    storeCard(1, u"Первый"_q, u"1"_q, {kInnA});
    ASSERT_EQ(run(kInnA).size(), 1);
    folder.log.clear();

    storeCard(2, u"Новый"_q, u"2"_q, {kInnA});
    const QStringList files = run(kInnA, 60);
    const QString secondTab = RunStamp(StageTime(60)) + u".tab"_q;
    EXPECT_EQ(files, QStringList{folder.path(secondTab)});
    EXPECT_EQ(folder.bytes(secondTab), reportBytes({dataLine(kInnA, 2, u"Новый"_q, u"2,00"_q)}));
    EXPECT_EQ(folder.log, QStringList({kStarted, alreadyShown(CardUrl(1))}));

    folder.log.clear();
    EXPECT_EQ(run(kInnA, 120), QStringList());
    EXPECT_FALSE(QFile::exists(folder.path(RunStamp(StageTime(120)) + u".tab"_q)));
}

TEST_F(ReportStageRun, ALinkShownBeforeInOtherLetterCaseIsSkipped) {
    storeCard(1, u"Контракт"_q, u"1"_q, {kInnA});
    WriteTextFile(folder.path(u"shown.txt"_q), CardUrl(1).toUpper() + u"\r\n"_q,
                  TextEncoding::Utf8Bom);
    EXPECT_EQ(run(kInnA), QStringList());
    EXPECT_EQ(folder.log, QStringList({kStarted, alreadyShown(CardUrl(1))}));
}

TEST_F(ReportStageRun, TwoStagesInTheSameSecondShareOneFileWithOneHeader) {
    storeCard(1, u"Первый"_q, u"1"_q, {kInnA});
    storeCard(2, u"Второй"_q, u"2"_q, {kInnB});
    run(kInnA);
    const QStringList files = run(kInnB);

    EXPECT_EQ(files, QStringList{folder.path(kTab)});
    EXPECT_EQ(folder.bytes(kTab), reportBytes({dataLine(kInnA, 1, u"Первый"_q, u"1,00"_q),
                                               dataLine(kInnB, 2, u"Второй"_q, u"2,00"_q)}));
}

TEST_F(ReportStageRun, ANullAmountIsZeroWithTheDecimalSeparatorAndNullDatesAreEmpty) {
    folder.store(CardUrl(1), u"Без суммы"_q, u""_q, u""_q, u""_q, {kInnA});
    run(kInnA);
    EXPECT_EQ(folder.lines(kTab).value(1), dataLine(kInnA, 1, u"Без суммы"_q, u"0,00"_q, {}, {}));

    folder.store(CardUrl(2), u"Без суммы"_q, u""_q, u""_q, u""_q, {kInnB});
    DecimalSeparator point(QLatin1Char('.'));
    run(kInnB, 1);
    EXPECT_EQ(folder.lines(RunStamp(StageTime(1)) + u".tab"_q).value(1),
              dataLine(kInnB, 2, u"Без суммы"_q, u"0.00"_q, {}, {}));
}

TEST_F(ReportStageRun, AmountsHaveTwoDecimalsAndNoGrouping) {
    storeCard(1, u"Крупный"_q, u"1234567,891"_q, {kInnA});
    DecimalSeparator point(QLatin1Char('.'));
    run(kInnA);
    EXPECT_EQ(folder.lines(kTab).value(1), dataLine(kInnA, 1, u"Крупный"_q, u"1234567.89"_q));
}

TEST_F(ReportStageRun, ALineWithoutStoredContractsWritesNoFile) {
    EXPECT_EQ(run(kInnA + u"\r\n\r\nГруппа\t"_q + kInnB), QStringList());
    EXPECT_EQ(QDir(folder.dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({u"db.s3db"_q, u"shown.txt.lock"_q}));
}

TEST_F(ReportStageRun, TabsLineBreaksAndNulInValuesBecomeBlanks) {
    storeCard(1, u"«Кавычки» \"\t\"внутри\r\nи\n"_q + QChar(0) + u"нуль"_q, u"1"_q, {kInnA});
    run(kInnA);
    const QStringList lines = folder.lines(kTab);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], dataLine(kInnA, 1, u"«Кавычки» \" \"внутри  и  нуль"_q, u"1,00"_q));
}

TEST_F(ReportStageRun, AStageWaitsForAnotherCopysStageAndKeepsTheLinksItAdded) {
    storeCard(1, u"Первый"_q, u"1"_q, {kInnA});
    storeCard(2, u"Второй"_q, u"2"_q, {kInnA});
    auto other = std::make_unique<FileLock>(folder.path(u"shown.txt.lock"_q));
    ReportContext context = folder.context(kInnA);
    std::atomic<bool> waiting{false};
    context.addLogLine = [&](const QString& text) {
        folder.log << text;
        if (text.startsWith(u"Другая копия программы"_q)) waiting = true;
    };
    std::thread stage([&] { RunReportStage(context, StageTime()); });
    while (!waiting)
        std::this_thread::yield();
    // The other copy reports card 1 meanwhile.
    QFile shown(folder.path(u"shown.txt"_q));
    ASSERT_TRUE(shown.open(QIODevice::WriteOnly));
    shown.write(kBom + (CardUrl(1) + u"\r\n"_q).toUtf8());
    shown.close();
    other.reset();
    stage.join();

    EXPECT_TRUE(folder.log.contains(alreadyShown(CardUrl(1))));
    EXPECT_EQ(folder.lines(kTab),
              QStringList({ReportHeaderLine(), dataLine(kInnA, 2, u"Второй"_q, u"2,00"_q)}));
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList({CardUrl(1), CardUrl(2)}));
}

TEST_F(ReportStageRun, ShownLinksReachTheFileAfterEveryInnAndEndSorted) {
    storeCard(5, u"Пятый"_q, u"5"_q, {kInnA, kInnC});
    storeCard(3, u"Третий"_q, u"3"_q, {kInnB});
    ReportContext context = folder.context(kInnA + u"\n"_q + kInnB + u"\n"_q + kInnC);
    QStringList onDiskWhenSkipping;
    context.addLogLine = [&](const QString& text) {
        if (text.startsWith(u"ссылка"_q)) onDiskWhenSkipping = folder.lines(u"shown.txt"_q);
    };
    RunReportStage(context, StageTime());

    // Before the third INN the links of the first two are on disk, in the order shown.
    EXPECT_EQ(onDiskWhenSkipping, QStringList({CardUrl(5), CardUrl(3)}));
    EXPECT_EQ(folder.bytes(u"shown.txt"_q),
              kBom + (CardUrl(3) + u"\r\n"_q + CardUrl(5) + u"\r\n"_q).toUtf8());
}

// The figures the run's summary gives: per bare INN and per group (its INNs together), new
// lines, contracts held back as shown, and the file.
TEST_F(ReportStageRun, FiguresCountNewAndHeldBackContractsPerInnAndGroup) {
    storeCard(1, u"Общий"_q, u"10"_q, {kInnA, kInnB});
    storeCard(2, u"Только Б"_q, u"20"_q, {kInnB});
    storeCard(3, u"Только В"_q, u"30"_q, {kInnC});
    ReportContext context = folder.context(kInnA + u"\nГруппа\t"_q + kInnB + u"\nГруппа\t"_q +
                                           kInnC + u"\n7700000000\n\n"_q);
    RunReportStage(context, StageTime(0));
    ASSERT_EQ(context.figures.size(), 3u);
    const ReportFigures& bare = context.figures[0];
    EXPECT_EQ(bare.name, kInnA);
    EXPECT_FALSE(bare.isGroup);
    EXPECT_EQ(bare.newContracts, 1);
    EXPECT_EQ(bare.reportFile, folder.path(kTab));
    const ReportFigures& group = context.figures[1];
    EXPECT_EQ(group.name, u"Группа"_q);
    EXPECT_TRUE(group.isGroup);
    EXPECT_EQ(group.newContracts, 2);  // cards 2 and 3
    EXPECT_EQ(group.alreadyShown, 1);  // card 1, shown under the bare INN
    EXPECT_EQ(group.reportFile, folder.path(u"Группа/"_q + kTab));
    EXPECT_EQ(context.figures[2].name, u"7700000000"_q);  // nothing stored: no file
    EXPECT_EQ(context.figures[2].newContracts + context.figures[2].alreadyShown, 0);
    EXPECT_TRUE(context.figures[2].reportFile.isEmpty());
    EXPECT_TRUE(context.figures[2].notAnInn);  // wrong check digit
    EXPECT_FALSE(bare.notAnInn || group.notAnInn);
}

TEST_F(ReportStageRun, AStopEndsTheStageBetweenInnsWithTheirLinksSaved) {
    storeCard(1, u"Первый"_q, u"1"_q, {kInnA});
    storeCard(2, u"Второй"_q, u"2"_q, {kInnB});
    ReportContext context = folder.context(kInnA + u"\n"_q + kInnB);
    int asked = 0;
    context.stopRequested = [&asked] { return ++asked > 1; };  // after the first INN
    const QStringList files = RunReportStage(context, StageTime());

    EXPECT_TRUE(context.stopped);
    EXPECT_EQ(files, QStringList{folder.path(kTab)});
    EXPECT_EQ(folder.lines(kTab),
              QStringList({ReportHeaderLine(), dataLine(kInnA, 1, u"Первый"_q, u"1,00"_q)}));
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList{CardUrl(1)});
    ASSERT_EQ(context.figures.size(), 1u);
    EXPECT_EQ(context.figures[0].newContracts, 1);
}

TEST_F(ReportStageRun, AStopEndsTheWaitForAnotherCopyWithNothingWritten) {
    storeCard(1, u"Первый"_q, u"1"_q, {kInnA});
    FileLock other(folder.path(u"shown.txt.lock"_q));
    ReportContext context = folder.context(kInnA);
    context.stopRequested = [] { return true; };
    EXPECT_TRUE(RunReportStage(context, StageTime()).isEmpty());
    EXPECT_TRUE(context.stopped);
    EXPECT_TRUE(context.figures.empty());
    EXPECT_FALSE(QFileInfo::exists(folder.path(kTab)));
    EXPECT_FALSE(QFileInfo::exists(folder.path(u"shown.txt"_q)));
}
