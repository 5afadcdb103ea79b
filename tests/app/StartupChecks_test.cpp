#include "app/StartupChecks.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

TEST(CheckPlacement, ArchiveFolderComesBeforeTemporaryFolder) {
    const auto archive =
        CheckPlacement(u"C:\\Users\\x\\AppData\\Local\\Temp\\Rar$EXa0.123\\"_q, true);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->caption, u"Внимание!"_q);
    EXPECT_TRUE(archive->text.startsWith(u"Вы запустили программу изнутри архива!\r\n"_q));
    EXPECT_TRUE(archive->text.endsWith(u"\"Извлечь все\""_q));
}

TEST(CheckPlacement, TemporaryFoldersOfEitherPlatform) {
    for (const QString& dir : {u"C:\\Users\\x\\TEMP\\prog"_q, u"D:\\temp\\p\\"_q, u"/tmp/prog"_q,
                               u"/tmp"_q, u"/var/tmp/prog/"_q, QDir::tempPath() + u"/a/b"_q}) {
        const auto problem = CheckPlacement(dir, true);
        ASSERT_TRUE(problem) << dir.toStdString();
        EXPECT_TRUE(problem->text.startsWith(u"Программа запущена из временной папки!\r\n"_q));
    }
    for (const QString& dir : {u"/home/u/temperature"_q, u"/opt/contract-finder"_q,
                               u"/home/u/tmpfiles"_q, u"/home/u/Projects/temp/cf"_q,
                               u"/home/u/Temp/prog"_q, u"/data/tmp/cf"_q, u"/tmpfiles/cf"_q}) {
        EXPECT_FALSE(CheckPlacement(dir, true)) << dir.toStdString();
    }
}

TEST(CheckPlacement, MissingTlsSupportIsAnIncompleteInstallation) {
    const auto problem = CheckPlacement(u"/opt/contract-finder"_q, false);
    ASSERT_TRUE(problem);
    EXPECT_TRUE(
        problem->text.startsWith(u"Программа не обнаружила необходимые для работы файлы!"_q));
}

TEST(FindTesseractDir, FindsTheInstalledEngineWithRussianData) {
    const QString dir = FindTesseractDir();
    ASSERT_FALSE(dir.isEmpty())
        << "tesseract-ocr and tesseract-ocr-rus are installed by the setup script";
    EXPECT_TRUE(dir.endsWith(u"/"_q));
    EXPECT_TRUE(QFileInfo(TesseractExePath(dir)).isExecutable());
    EXPECT_EQ(TesseractExePath(QString()), u"tesseract"_q);
}

TEST(AdoptProgramFolderSettings, TheSettingsBesideTheProgramAreCopiedOnce) {
    QTemporaryDir programFolder;
    QTemporaryDir data;
    const QString dataDir = data.path() + u"/"_q;
    QFile own(programFolder.filePath(u"settings.ini"_q));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("[Settings]\r\nThreads=4\r\n");
    own.close();
    EXPECT_EQ(AdoptProgramFolderSettings(dataDir, programFolder.path()), own.fileName());
    QFile copied(dataDir + u"settings.ini"_q);
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("[Settings]\r\nThreads=4\r\n"));
    // The data folder's own settings are never replaced.
    EXPECT_TRUE(AdoptProgramFolderSettings(dataDir, programFolder.path()).isEmpty());
    // Data beside the program: nothing to copy.
    EXPECT_TRUE(
        AdoptProgramFolderSettings(programFolder.path() + u"/"_q, programFolder.path()).isEmpty());
}
