#include "platform/CodePage.h"
#include "platform/ProgramDir.h"
#include "platform/SystemFolders.h"
#include "platform/TextFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <QDir>

TEST(SystemFoldersWindows, ProgramFilesIsASystemFolderAndDataGoesToLocalAppData) {
    const QString programFiles = qEnvironmentVariable("ProgramFiles");
    ASSERT_FALSE(programFiles.isEmpty());
    EXPECT_TRUE(IsSystemProgramFolder(programFiles + u"\\contract-finder"_q));
    EXPECT_FALSE(IsSystemProgramFolder(QDir::tempPath()));
    EXPECT_EQ(UserDataRoot(), QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")));
}

// The ANSI code page of a Russian desktop (Wine takes it from LANG=ru_RU.UTF-8).
TEST(CodePageWindows, UnmarkedFilesUseTheSystemCodePage) {
    if (::GetACP() != 1251) GTEST_SKIP() << "the system code page is " << ::GetACP();
    EXPECT_EQ(EncodeCodePage(u"Привет №1"_q), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2 \xB9"
                                                         "1"));
    EXPECT_EQ(DecodeCodePage("\xCF\xF0\xE8\xE2\xE5\xF2"), u"Привет"_q);
    // No look-alike for what the code page lacks.
    EXPECT_EQ(EncodeCodePage(u"é中"_q), QByteArray("??"));
    const DecodedText read = DecodeText(EncodeText(u"ИНН 7707083893"_q, TextEncoding::Windows1251));
    EXPECT_EQ(read.encoding, TextEncoding::Windows1251);
    EXPECT_EQ(read.text, u"ИНН 7707083893"_q);
}
