#include "app/ProgramSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(ProgramSettings, ThreadsFallBackAndClamp) {
    EXPECT_EQ(ProgramSettings::clampThreads(u"abc"_q), 1);
    EXPECT_EQ(ProgramSettings::clampThreads(u""_q), 1);
    EXPECT_EQ(ProgramSettings::clampThreads(u"0"_q), 1);
    EXPECT_EQ(ProgramSettings::clampThreads(u"-5"_q), 1);
    EXPECT_EQ(ProgramSettings::clampThreads(u" 8 "_q), 8);
    EXPECT_EQ(ProgramSettings::clampThreads(u"5000"_q), 1000);
    EXPECT_EQ(ProgramSettings::clampThreads(u"99999999999999999999"_q), 1);
}

TEST(ProgramSettings, MissingFileGivesDefaultsAndSavingKeepsOtherKeys) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    EXPECT_EQ(ProgramSettings::load(programDir).threads, 1);
    EXPECT_TRUE(ProgramSettings::load(programDir).portal.isEmpty());
    QFile file(programDir + u"settings.ini"_q);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nThreads=3\nPortal=https://127.0.0.1:9\n");
    file.close();
    ProgramSettings settings = ProgramSettings::load(programDir);
    EXPECT_EQ(settings.threads, 3);
    settings.threads = 7;
    settings.save(programDir);
    EXPECT_EQ(ProgramSettings::load(programDir).threads, 7);
    EXPECT_EQ(ProgramSettings::load(programDir).portal, u"https://127.0.0.1:9"_q);
}

TEST(ProgramSettings, SearchByInnIsOffUntilSavedOn) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    EXPECT_FALSE(ProgramSettings::load(programDir).searchByInn);
    ProgramSettings settings;
    settings.searchByInn = true;
    settings.save(programDir);
    EXPECT_TRUE(ProgramSettings::load(programDir).searchByInn);
    QFile file(programDir + u"settings.ini"_q);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("SearchByInn=true"));
}

TEST(ProgramSettings, ASaveThatCannotBeWrittenIsSaid) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    // A folder in the file's place: no file system lets it be written.
    ASSERT_TRUE(QDir().mkdir(programDir + u"settings.ini"_q));
    EXPECT_FALSE(ProgramSettings().save(programDir));
    QTemporaryDir writable;
    EXPECT_TRUE(ProgramSettings().save(writable.path() + u"/"_q));
}
