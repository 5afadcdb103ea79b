#include "platform/ProgramDir.h"
#include "platform/GeneralError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(ResolveProgramDir, ChosenFolderIsCreatedAndEndsWithSlash) {
    QTemporaryDir dir;
    const QString chosen = dir.filePath(u"a/b"_q);
    EXPECT_EQ(ResolveProgramDir(chosen), chosen + u"/"_q);
    EXPECT_TRUE(QDir(chosen).exists());
}

TEST(ResolveProgramDir, UnwritableChosenFolderRaises) {
    EXPECT_THROW(ResolveProgramDir(u"/proc/contract-finder"_q), EGeneralError);
}

TEST(ResolveProgramDir, WithoutChoiceTheProgramFolderWhenWritable) {
    // Tests run from the build tree, which is writable.
    const QString dir = ResolveProgramDir();
    EXPECT_TRUE(dir.endsWith(u"/"_q));
    EXPECT_TRUE(QDir(dir).exists());
}

TEST(IsSystemProgramFolder, InstalledLocationsButNotAPortableCopy) {
    EXPECT_TRUE(IsSystemProgramFolder(u"/usr/bin"_q));
    EXPECT_TRUE(IsSystemProgramFolder(u"/usr/local/bin/"_q));
    EXPECT_TRUE(IsSystemProgramFolder(u"/bin"_q));  // a link to /usr/bin on Debian 12
    QTemporaryDir dir;
    EXPECT_FALSE(IsSystemProgramFolder(dir.path()));
    QDir(dir.path()).mkpath(u"usr/bin"_q);
    EXPECT_FALSE(IsSystemProgramFolder(dir.filePath(u"usr/bin"_q)));
}
