#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The program's own text files (lists, settings, shown links, logs). A
// byte-order mark selects the encoding; without one the desktop systems the
// program serves write their 8-bit code page, Windows-1251. Text that is valid
// UTF-8 is taken as UTF-8, since files written on Linux are.
enum class TextEncoding {
    Utf8Bom,      // UTF-8 with a byte-order mark
    Utf16LeBom,   // UTF-16, little-endian, with a byte-order mark
    Utf16BeBom,   // UTF-16, big-endian, with a byte-order mark
    Utf8,         // UTF-8 without a mark
    Windows1251,  // the 8-bit code page: Windows-1251, on Windows the system's (CP_ACP)
};

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

DecodedText DecodeText(const QByteArray& bytes);

// The text in the encoding, with its byte-order mark where it has one.
// Characters Windows-1251 lacks become "?".
QByteArray EncodeText(const QString& text, TextEncoding encoding);

// The file's text; empty when the file does not exist. Throws EGeneralError
// when the file exists but cannot be read.
std::optional<DecodedText> ReadTextFile(const QString& path);

struct TextFileLines {
    TextEncoding encoding = TextEncoding::Utf8;
    bool endsInsideLine = false;  // the last line has no line break
};

// The file's lines as ReadTextFile and SplitLines give them, handed over one
// at a time: a file of a million lines is never held as one text beside its
// lines. Nothing when the file does not exist. Throws EGeneralError when it
// exists but cannot be read.
std::optional<TextFileLines> ReadTextFileLines(const QString& path,
                                               const std::function<void(const QString&)>& onLine);

// Writes the whole file at once (through a temporary file, so a failure
// never leaves half a file). Throws EGeneralError on failure.
void WriteTextFile(const QString& path, const QString& text, TextEncoding encoding);

// Writes all of bytes to an open file and flushes them. A write the disk
// takes only in part leaves no error behind in Qt, so the failure would be
// told with a stale text («File exists» from an earlier open) or «Unknown
// error»: the rest is written again, and that attempt records the system's
// reason. False on failure; WriteFailureReason(file) then says why.
bool WriteWhole(QFileDevice& file, const QByteArray& bytes);

// Why the last write to the file failed: a full disk said in Russian with the
// system's text, any other failure in the system's text.
QString WriteFailureReason(const QFileDevice& file);

// Lines separated by CR LF, LF or CR; a final line break adds no empty line.
QStringList SplitLines(const QString& text);

// The lines of a list file; empty when the file does not exist.
QStringList ReadListFile(const QString& path);
