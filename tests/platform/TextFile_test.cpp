#include "platform/TextFile.h"
#include "platform/GeneralError.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TinyDisk.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kCyrillic = u"ИНН 7701234567 Ёлка ё №"_q;

}  // namespace

TEST(DecodeText, MarkSelectsTheEncoding) {
    for (TextEncoding encoding :
         {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
        const DecodedText decoded = DecodeText(EncodeText(kCyrillic, encoding));
        EXPECT_EQ(decoded.text, kCyrillic);
        EXPECT_EQ(decoded.encoding, encoding);
    }
}

TEST(DecodeText, UnmarkedTextIsUtf8WhenValidElseWindows1251) {
    const DecodedText utf8 = DecodeText(kCyrillic.toUtf8());
    EXPECT_EQ(utf8.encoding, TextEncoding::Utf8);
    EXPECT_EQ(utf8.text, kCyrillic);

    const QByteArray cp1251 = EncodeText(kCyrillic, TextEncoding::Windows1251);
    EXPECT_EQ(cp1251.size(), kCyrillic.size());
    EXPECT_EQ(static_cast<unsigned char>(cp1251[0]), 0xC8);  // И
    const DecodedText legacy = DecodeText(cp1251);
    EXPECT_EQ(legacy.encoding, TextEncoding::Windows1251);
    EXPECT_EQ(legacy.text, kCyrillic);

    EXPECT_EQ(DecodeText("plain ascii").encoding, TextEncoding::Utf8);
}

TEST(EncodeText, Windows1251ReplacesWhatItLacks) {
    EXPECT_EQ(EncodeText(u"a€\u4E2D"_q, TextEncoding::Windows1251), QByteArray("a\x88?"));
    // A character outside the basic plane is one character, so one "?".
    EXPECT_EQ(EncodeText(u"\U0001F600b"_q, TextEncoding::Windows1251), QByteArray("?b"));
    // Every byte survives a round trip.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(EncodeText(DecodeText(all).text, TextEncoding::Windows1251), all);
}

TEST(SplitLines, AcceptsEveryLineBreak) {
    EXPECT_EQ(SplitLines(u"a\r\nb\nc\rd"_q), (QStringList{u"a"_q, u"b"_q, u"c"_q, u"d"_q}));
    EXPECT_EQ(SplitLines(u"a\r\n"_q), QStringList{u"a"_q});
    EXPECT_EQ(SplitLines(u"a\n\nb"_q), (QStringList{u"a"_q, u""_q, u"b"_q}));
    EXPECT_TRUE(SplitLines(u""_q).isEmpty());
}

TEST(TextFile, WritesAndReadsBackInTheSameEncoding) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.txt"_q);
    EXPECT_FALSE(ReadTextFile(path).has_value());
    EXPECT_TRUE(ReadListFile(path).isEmpty());

    WriteTextFile(path, kCyrillic + u"\r\nвторая"_q, TextEncoding::Windows1251);
    const auto decoded = ReadTextFile(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->encoding, TextEncoding::Windows1251);
    EXPECT_EQ(ReadListFile(path), (QStringList{kCyrillic, u"вторая"_q}));
}

TEST(TextFile, UnreadableOrUnwritableFilesRaise) {
    QTemporaryDir dir;
    // A folder exists under the name but cannot be read as a file.
    EXPECT_THROW(ReadTextFile(dir.path()), EGeneralError);
    EXPECT_THROW(WriteTextFile(dir.filePath(u"missing/x.txt"_q), u"x"_q, TextEncoding::Utf8),
                 EGeneralError);
}

// A device without space: the write fails, and the reason says so.
TEST(WriteWhole, FullDeviceIsNamedAsSuch) {
    for (const QIODevice::OpenMode mode : {QIODevice::OpenMode(QIODevice::WriteOnly),
                                           QIODevice::WriteOnly | QIODevice::Unbuffered}) {
        QFile file(u"/dev/full"_q);
        ASSERT_TRUE(file.open(mode));
        EXPECT_FALSE(WriteWhole(file, QByteArray(10000, 'x')));
#ifdef Q_OS_WIN
        // Windows words the reason itself, in its own language (Russian in the checks).
        EXPECT_TRUE(WriteFailureReason(file).contains(u"Диск полностью заполнен"_q))
            << WriteFailureReason(file).toStdString();
#else
        EXPECT_TRUE(WriteFailureReason(file).startsWith(u"на диске нет свободного места"_q))
            << WriteFailureReason(file).toStdString();
#endif
    }
}

// A full disk that takes part of the text: the file keeps its old text (the
// platform's save once put an empty file in its place and called it success),
// and the failure names the file and the full disk.
TEST(TextFile, FullDiskKeepsTheOldTextAndSaysWhy) {
    TinyDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString path = disk.path(u"shown.txt"_q);
    WriteTextFile(path, u"old\r\n"_q, TextEncoding::Utf8Bom);
    disk.fill();
    try {
        WriteTextFile(path, QString(100000, u'x'), TextEncoding::Utf8Bom);
        ADD_FAILURE() << "no error";
    } catch (const EGeneralError& e) {
        EXPECT_TRUE(e.message().startsWith(u"Не удалось записать файл "_q + path))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(u"на диске нет свободного места"_q))
            << e.message().toStdString();
    }
    EXPECT_EQ(ReadTextFile(path)->text, u"old\r\n"_q);
}

// Line by line, a file gives what reading it whole and splitting gives, in
// every encoding, and says whether it ends inside a line.
TEST(TextFile, LinesOneAtATimeMatchTheWholeText) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lines.txt"_q);
    for (const TextEncoding encoding :
         {TextEncoding::Utf8Bom, TextEncoding::Utf8, TextEncoding::Windows1251,
          TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
        for (const QString& text : {kCyrillic + u"\r\nb\n\nc\rd"_q, u"a\r\n"_q, u""_q}) {
            WriteTextFile(path, text, encoding);
            QStringList lines;
            const auto read =
                ReadTextFileLines(path, [&lines](const QString& line) { lines << line; });
            ASSERT_TRUE(read);
            EXPECT_EQ(lines, SplitLines(ReadTextFile(path)->text)) << int(encoding);
            EXPECT_EQ(read->encoding, ReadTextFile(path)->encoding);
            EXPECT_EQ(read->endsInsideLine, text.endsWith(u'd')) << int(encoding);
        }
    }
    EXPECT_FALSE(ReadTextFileLines(dir.filePath(u"missing.txt"_q), [](const QString&) {}));
}
