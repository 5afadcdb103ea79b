// "shown.txt" through a report stage that may be killed at any moment.
#include "report/ShownLinksFile.h"
#include "report/ReportFile.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString lineOf(int card) {
    return ReportLine({u"7707083893"_q, CardUrl(card), u"Предмет"_q, u"1,00"_q, u""_q, u""_q});
}

class ShownLinksFileTest : public ::testing::Test {
protected:
    std::unique_ptr<ShownLinksFile> open() {
        return std::make_unique<ShownLinksFile>(folder.dir, QStringList(), TextEncoding::Utf8Bom);
    }
    ProgramFolder folder;
    const QString tab = folder.path(kStamp + u".tab"_q);
};

}  // namespace

TEST_F(ShownLinksFileTest, EachLinkReachesTheFileAsItsLineIsWritten) {
    writeBytes(folder.path(u"shown.txt"_q), kBom + (CardUrl(9) + u"\r\n"_q).toUtf8());
    auto shown = open();
    shown->beginLine(tab, CardUrl(2));
    AppendReportLine(tab, lineOf(2));
    shown->lineWritten(CardUrl(2));
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList({CardUrl(9), CardUrl(2)}));
    shown->finish();
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList({CardUrl(2), CardUrl(9)}));
}

TEST_F(ShownLinksFileTest, AKillAfterTheLineSavesItsLinkInTheNextStage) {
    {
        auto shown = open();
        shown->beginLine(tab, CardUrl(1));
        AppendReportLine(tab, lineOf(1));
    }  // killed before the link was saved
    auto next = open();
    EXPECT_TRUE(next->contains(CardUrl(1)));
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList{CardUrl(1)});
}

TEST_F(ShownLinksFileTest, AKillInsideTheLineCutsItAndLeavesTheContractUnshown) {
    {
        auto shown = open();
        shown->beginLine(tab, CardUrl(1));
        AppendReportLine(tab, lineOf(1));
        shown->lineWritten(CardUrl(1));
        shown->beginLine(tab, CardUrl(2));
        QFile file(tab);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(lineOf(2).left(30).toUtf8());  // killed halfway through the line
    }
    auto next = open();
    EXPECT_TRUE(next->contains(CardUrl(1)));
    EXPECT_FALSE(next->contains(CardUrl(2)));
    EXPECT_EQ(folder.bytes(kStamp + u".tab"_q),
              kBom + HeaderBytes() + (lineOf(1) + u"\r\n"_q).toUtf8());
}

TEST_F(ShownLinksFileTest, AFileWithoutOneWholeLineIsRemoved) {
    {
        auto shown = open();
        shown->beginLine(tab, CardUrl(1));
        writeBytes(tab, kBom + HeaderBytes().left(10));
    }
    open();
    EXPECT_FALSE(QFile::exists(tab));
}

TEST_F(ShownLinksFileTest, ALinkCutByAKillIsFollowedByALineBreak) {
    writeBytes(folder.path(u"shown.txt"_q), kBom + (CardUrl(1) + u"\r\nhttps://ha"_q).toUtf8());
    auto shown = open();
    shown->lineWritten(CardUrl(2));
    EXPECT_EQ(folder.lines(u"shown.txt"_q), QStringList({CardUrl(1), u"https://ha"_q, CardUrl(2)}));
}

TEST_F(ShownLinksFileTest, ALineThatFailedIsCutByTheNextStageEvenAfterAProperEnd) {
    {
        auto shown = open();
        shown->beginLine(tab, CardUrl(1));
        writeBytes(tab, kBom + HeaderBytes() + lineOf(1).left(20).toUtf8());  // the disk filled
        shown->finish();
    }
    open();
    EXPECT_EQ(folder.bytes(kStamp + u".tab"_q), kBom + HeaderBytes());
}
