#include "report/SafeFolderName.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(SafeFolderName, ReplacesForbiddenCharactersAndKeepsCyrillic) {
    EXPECT_EQ(SafeFolderName(u"a/b:c"_q), u"a_b_c"_q);
    EXPECT_EQ(SafeFolderName(u"\"*<>?\\|"_q), u"_______"_q);
    EXPECT_EQ(SafeFolderName(u"Заказчики Москвы"_q), u"Заказчики Москвы"_q);
}

TEST(SafeFolderName, DropsTrailingBlanksAndFullStops) {
    EXPECT_EQ(SafeFolderName(u"Группа . . "_q), u"Группа"_q);
    EXPECT_EQ(SafeFolderName(u"..a"_q), u"..a"_q);
}

TEST(SafeFolderName, NothingLeftGivesARussianPlaceholder) {
    EXPECT_EQ(SafeFolderName(u"...."_q), u"Без названия"_q);
    EXPECT_EQ(SafeFolderName(u"."_q), u"Без названия"_q);
    EXPECT_EQ(SafeFolderName(u".."_q), u"Без названия"_q);
    EXPECT_EQ(SafeFolderName(u" "_q), u"Без названия"_q);
    EXPECT_EQ(SafeFolderName(u""_q), u"Без названия"_q);
}

TEST(SafeFolderName, PathsBecomeOneFolderName) {
    EXPECT_EQ(SafeFolderName(u"../../etc"_q), u".._.._etc"_q);
    EXPECT_EQ(SafeFolderName(u"/etc/passwd"_q), u"_etc_passwd"_q);
    EXPECT_EQ(SafeFolderName(u"C:\\Windows"_q), u"C__Windows"_q);
    EXPECT_EQ(SafeFolderName(u"\\\\server\\share"_q), u"__server_share"_q);
}

TEST(SafeFolderName, ControlCharactersBecomeUnderscores) {
    EXPECT_EQ(SafeFolderName(u"a\x01\x1f"_q + QChar(0) + u"b"_q), u"a___b"_q);
    EXPECT_EQ(SafeFolderName(u"a\x7f\x85\x9f b"_q), u"a___ b"_q);
}

TEST(SafeFolderName, ReservedDeviceNamesGetAPrefix) {
    EXPECT_EQ(SafeFolderName(u"CON"_q), u"_CON"_q);
    EXPECT_EQ(SafeFolderName(u"nul.txt"_q), u"_nul.txt"_q);
    EXPECT_EQ(SafeFolderName(u"Com1 ."_q), u"_Com1"_q);
    EXPECT_EQ(SafeFolderName(u"LPT9"_q), u"_LPT9"_q);
    EXPECT_EQ(SafeFolderName(u"CONSOLE"_q), u"CONSOLE"_q);
    EXPECT_EQ(SafeFolderName(u"COM10"_q), u"COM10"_q);
}

TEST(SafeFolderName, LongNamesAreCutToFitTheFileSystem) {
    const QString name = SafeFolderName(QString(200, QChar(0x0416)));  // "Ж", two bytes in UTF-8
    EXPECT_EQ(name.size(), 120);
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_EQ(SafeFolderName(QString(119, QLatin1Char('a')) + u" ...b"_q),
              QString(119, QLatin1Char('a')));
}

TEST(SafeFolderName, NamesAreCutToWholeCharactersWithin255Bytes) {
    const QString name = SafeFolderName(QString(120, QChar(0x4E2D)));  // three bytes each
    EXPECT_EQ(name, QString(85, QChar(0x4E2D)));
    // 1 + 84 * 3 = 253 bytes; one more character would need 256.
    EXPECT_EQ(SafeFolderName(u"a"_q + QString(119, QChar(0x4E2D))),
              u"a"_q + QString(84, QChar(0x4E2D)));
}

TEST(SafeFolderName, TheProgramsOwnFileNamesGetAPrefix) {
    for (const QString& own :
         {u"db.s3db"_q, u"SHOWN.TXT"_q, u"shown.txt.lock"_q, u"settings.ini"_q, u"INNs.txt"_q,
          u"proxy.txt"_q, u"useragents.txt"_q, u"log123.txt"_q, u"db.s3db-journal"_q})
        EXPECT_EQ(SafeFolderName(own), u"_"_q + own) << own.toStdString();
    EXPECT_EQ(SafeFolderName(u"shown.txt.old"_q), u"shown.txt.old"_q);
}
