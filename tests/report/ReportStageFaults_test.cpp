// The report stage when the file system refuses or when group names try to
// leave the program's folder.
#include "report/ReportFile.h"
#include "report/ReportStage.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TinyDisk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kInnA = u"7707083893"_q;
const QString kInnB = u"500100732259"_q;
const QString kTab = kStamp + u".tab"_q;

class ReportStageFaults : public ::testing::Test {
protected:
    void storeCard(int card, const QStringList& inns) {
        folder.store(CardUrl(card), u"Контракт"_q, u"1"_q, u""_q, u""_q, inns);
    }
    QStringList run(const QString& innList) {
        ReportContext context = folder.context(innList);
        return RunReportStage(context, StageTime());
    }
    // Runs a stage that must fail; gives the files the failure carries.
    QStringList runFailing(const QString& innList) {
        try {
            run(innList);
        } catch (const EReportStageError& e) {
            return e.reportFiles();
        }
        ADD_FAILURE() << "the stage did not fail";
        return {};
    }
    QStringList shown() { return folder.lines(u"shown.txt"_q); }

    ProgramFolder folder;
};

}  // namespace

TEST_F(ReportStageFaults, AFileThatCannotBeOpenedEndsTheStageAndItsLinkStaysUnshown) {
    storeCard(1, {kInnA});
    storeCard(2, {kInnB});
    ASSERT_TRUE(QDir().mkdir(folder.path(kTab)));  // the bare INN's report file is a folder

    const QStringList files = runFailing(u"Группа\t"_q + kInnA + u"\n"_q + kInnB);
    EXPECT_EQ(files, QStringList{folder.path(u"Группа/"_q + kTab)});
    EXPECT_EQ(shown(), QStringList{CardUrl(1)});

    // Once the obstacle is gone, the contract is reported after all.
    ASSERT_TRUE(QDir().rmdir(folder.path(kTab)));
    EXPECT_EQ(run(kInnB), QStringList{folder.path(kTab)});
    EXPECT_EQ(folder.lines(kTab).size(), 2);
    EXPECT_EQ(shown(), QStringList({CardUrl(1), CardUrl(2)}));
}

TEST_F(ReportStageFaults, ALineThatCannotBeWrittenLeavesItsLinkUnshown) {
    storeCard(1, {kInnA});
    storeCard(2, {kInnB});
    // An existing report file whose every write fails: the device is full.
    ASSERT_TRUE(QFile::link(u"/dev/full"_q, folder.path(u"Полный/"_q + kTab)) ||
                (QDir().mkdir(folder.path(u"Полный"_q)) &&
                 QFile::link(u"/dev/full"_q, folder.path(u"Полный/"_q + kTab))));

    const QStringList files = runFailing(kInnA + u"\nПолный\t"_q + kInnB);
    EXPECT_EQ(files, QStringList{folder.path(kTab)});
    EXPECT_EQ(shown(), QStringList{CardUrl(1)});
}

TEST_F(ReportStageFaults, AFolderThatCannotBeCreatedSkipsOnlyItsGroup) {
    storeCard(1, {kInnA});
    storeCard(2, {kInnB});
    QFile blocker(folder.path(u"Группа"_q));  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const QStringList files = run(u"Группа\t"_q + kInnA + u"\nДругая\t"_q + kInnB);
    EXPECT_EQ(files, QStringList{folder.path(u"Другая/"_q + kTab)});
    ASSERT_EQ(folder.log.filter(u"Не удалось создать папку"_q).size(), 1);
    EXPECT_TRUE(
        folder.log.filter(u"Не удалось создать папку"_q)[0].contains(folder.path(u"Группа"_q)));
    // The skipped group's contract waits for a later run.
    EXPECT_EQ(shown(), QStringList{CardUrl(2)});
}

TEST_F(ReportStageFaults, GroupsNamedLikeTheProgramsFilesGetFoldersOfTheirOwn) {
    storeCard(1, {kInnA});
    storeCard(2, {kInnB});
    const QString longName(120, QChar(0x4E2D));  // three bytes each in UTF-8
    const QStringList files = run(u"shown.txt\t"_q + kInnA + u"\n"_q + longName + u"\t"_q + kInnB);
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(QFileInfo(folder.path(u"_shown.txt/"_q + kTab)).isFile());
    EXPECT_EQ(QFileInfo(files[1]).dir().dirName().toUtf8().size(), 255);
    EXPECT_EQ(shown(), QStringList({CardUrl(1), CardUrl(2)}));
}

TEST_F(ReportStageFaults, GroupNamesNeverLeadOutOfTheProgramFolder) {
    const QStringList groups = {u".."_q,
                                u"../выход"_q,
                                u"/tmp/абс"_q,
                                u"C:\\Windows"_q,
                                u"a\x01"
                                u"b"_q,
                                u"CON"_q,
                                u"...."_q,
                                u"a/b:c"_q,
                                u"Имя . . "_q,
                                u"~"_q};
    QString innList;
    for (int i = 0; i < groups.size(); ++i) {
        const QString inn = QString::number(7700000001LL + i);
        storeCard(i + 1, {inn});
        innList += groups[i] + u"\t"_q + inn + u"\r\n"_q;
    }
    const QStringList files = run(innList);

    // In the order of the paths without regard to case.
    const QStringList folders = {u".._выход"_q, u"_CON"_q,         u"_tmp_абс"_q,
                                 u"a_b"_q,      u"a_b_c"_q,        u"C__Windows"_q,
                                 u"~"_q,        u"Без названия"_q, u"Имя"_q};
    QStringList expected;
    for (const QString& name : folders)
        expected.append(folder.path(name + u"/"_q + kTab));
    EXPECT_EQ(files, expected);
    // Nothing but these folders, the database, shown.txt and its lock came into being.
    QStringList made;
    QDirIterator it(folder.dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        made.append(QDir(folder.dir).relativeFilePath(it.next()));
    made.sort();
    QStringList wanted = {u"db.s3db"_q, u"shown.txt"_q, u"shown.txt.lock"_q};
    for (const QString& name : folders)
        wanted << name << name + u"/"_q + kTab;
    wanted.sort();
    EXPECT_EQ(made, wanted);
    EXPECT_EQ(folder.lines(u"Без названия/"_q + kTab).size(), 3);  // ".." and "...." share it
}

TEST_F(ReportStageFaults, ShownLinksKeepTheWindows1251TheyWereReadWith) {
    const QString oldLink = u"https://пример.рф/контракт/Б"_q;
    QFile file(folder.path(u"shown.txt"_q));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeText(oldLink + u"\r\n"_q, TextEncoding::Windows1251));
    file.close();
    const QString newLink = u"https://пример.рф/контракт/а"_q;
    folder.store(newLink, u"Контракт"_q, u"1"_q, u""_q, u""_q, {kInnA});

    ReportContext context = folder.context(kInnA);
    ASSERT_EQ(context.shownLinksEncoding, TextEncoding::Windows1251);
    RunReportStage(context, StageTime());

    // Sorted without regard to case: "а" before "Б".
    EXPECT_EQ(folder.bytes(u"shown.txt"_q),
              EncodeText(newLink + u"\r\n"_q + oldLink + u"\r\n"_q, TextEncoding::Windows1251));
    EXPECT_EQ(context.shownLinks, QStringList({newLink, oldLink}));
}

TEST_F(ReportStageFaults, ANewShownFileIsUtf8WithAMark) {
    storeCard(1, {kInnA});
    run(kInnA);
    EXPECT_EQ(folder.bytes(u"shown.txt"_q), kBom + (CardUrl(1) + u"\r\n"_q).toUtf8());
}

TEST_F(ReportStageFaults, AFailedStageLeavesTheShownFileSortedAndComplete) {
    storeCard(5, {kInnA});
    storeCard(3, {kInnB});
    storeCard(1, {u"7736050003"_q});
    ASSERT_TRUE(QDir().mkdir(folder.path(u"Группа"_q)));
    ASSERT_TRUE(QDir().mkdir(folder.path(u"Группа/"_q + kTab)));

    runFailing(kInnA + u"\n"_q + kInnB + u"\nГруппа\t7736050003"_q);
    EXPECT_EQ(folder.bytes(u"shown.txt"_q),
              kBom + (CardUrl(3) + u"\r\n"_q + CardUrl(5) + u"\r\n"_q).toUtf8());
}

// A full disk taking part of a report line: the failure names the file and
// the full disk, not a stale «File exists» of the open before it.
TEST(ReportFile, FullDiskIsNamedAsTheCause) {
    TinyDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString path = disk.path(u"report.tab"_q);
    ASSERT_TRUE(AppendReportLine(path, u"first"_q));
    disk.fill();
    try {
        AppendReportLine(path, QString(20000, u'x'));
        ADD_FAILURE() << "no error";
    } catch (const EGeneralError& e) {
        EXPECT_TRUE(e.message().startsWith(u"Не удалось записать файл "_q + path))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(u"на диске нет свободного места"_q))
            << e.message().toStdString();
    }
}
