#include "platform/TextFile.h"

#include "platform/CodePage.h"
#include "platform/GeneralError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>

namespace {

// The file's encoding by its mark, else by whether it is valid UTF-8, and
// the size of the mark.
std::pair<TextEncoding, qsizetype> encodingOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return {TextEncoding::Utf8Bom, 3};
    if (bytes.startsWith("\xFF\xFE")) return {TextEncoding::Utf16LeBom, 2};
    if (bytes.startsWith("\xFE\xFF")) return {TextEncoding::Utf16BeBom, 2};
    // Checked in place: decoding a large file only to test it held it twice.
    if (bytes.isValidUtf8()) return {TextEncoding::Utf8, 0};
    return {TextEncoding::Windows1251, 0};
}

}  // namespace

DecodedText DecodeText(const QByteArray& bytes) {
    const auto [encoding, markSize] = encodingOf(bytes);
    // Views, not copies, of the bytes after the mark.
    const QByteArrayView text = QByteArrayView(bytes).sliced(markSize);
    switch (encoding) {
        case TextEncoding::Utf8Bom:
        case TextEncoding::Utf8:
            return {QString::fromUtf8(text), encoding};
        case TextEncoding::Utf16LeBom: {
            QStringDecoder decoder(QStringDecoder::Utf16LE);
            return {decoder.decode(text), encoding};
        }
        case TextEncoding::Utf16BeBom: {
            QStringDecoder decoder(QStringDecoder::Utf16BE);
            return {decoder.decode(text), encoding};
        }
        case TextEncoding::Windows1251:
            break;
    }
    return {DecodeCodePage(bytes), TextEncoding::Windows1251};
}

std::optional<TextFileLines> ReadTextFileLines(const QString& path,
                                               const std::function<void(const QString&)>& onLine) {
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        ThrowFileReadError(path, file.errorString());
    const auto [encoding, markSize] = encodingOf(bytes);
    const bool ascii = encoding == TextEncoding::Utf8Bom || encoding == TextEncoding::Utf8 ||
                       encoding == TextEncoding::Windows1251;
    if (!ascii) {
        // UTF-16 files are small and rare: decoded whole.
        const QString text = DecodeText(bytes).text;
        for (const QString& line : SplitLines(text))
            onLine(line);
        return TextFileLines{encoding,
                             !text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r')};
    }
    // Line by line out of the bytes: line ends are the same bytes in these encodings.
    qsizetype start = markSize;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        onLine(encoding == TextEncoding::Windows1251 ? DecodeCodePage(line.toByteArray())
                                                     : QString::fromUtf8(line));
        if (end + 1 < bytes.size() && bytes.at(end) == '\r' && bytes.at(end + 1) == '\n') ++end;
        start = end + 1;
    }
    const bool endsInsideLine =
        bytes.size() > markSize && !bytes.endsWith('\n') && !bytes.endsWith('\r');
    return TextFileLines{encoding, endsInsideLine};
}

QByteArray EncodeText(const QString& text, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8Bom:
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        case TextEncoding::Utf16LeBom: {
            QStringEncoder encoder(QStringEncoder::Utf16LE);
            return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(text));
        }
        case TextEncoding::Utf16BeBom: {
            QStringEncoder encoder(QStringEncoder::Utf16BE);
            return QByteArray("\xFE\xFF") + QByteArray(encoder.encode(text));
        }
        case TextEncoding::Utf8:
            return text.toUtf8();
        case TextEncoding::Windows1251:
            return EncodeCodePage(text);
    }
    return {};
}

std::optional<DecodedText> ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        ThrowFileReadError(path, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ThrowFileReadError(path, file.errorString());
    }
    return DecodeText(bytes);
}

void WriteTextFile(const QString& path, const QString& text, TextEncoding encoding) {
    QSaveFile file(path);
    const QByteArray bytes = EncodeText(text, encoding);
    // Flushed before the commit: QSaveFile::commit() (Qt 6.4) reports success
    // when its closing flush fails on a full disk, and puts an empty file in
    // place of the old one.
    if (!file.open(QIODevice::WriteOnly)) ThrowFileWriteError(path, file.errorString());
    if (!WriteWhole(file, bytes)) {
        const QString reason = WriteFailureReason(file);
        file.cancelWriting();
        ThrowFileWriteError(path, reason);
    }
    if (!file.commit()) ThrowFileWriteError(path, WriteFailureReason(file));
}

bool WriteWhole(QFileDevice& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) return false;
        done += written;
    }
    // A buffered file writes at the flush; a second flush meets the failure
    // the first one's partial write left unsaid.
    return file.flush() || file.flush();
}

QString WriteFailureReason(const QFileDevice& file) {
    if (file.error() == QFileDevice::NoError) return qt_error_string(errno);
    const QString reason = file.errorString();
    if (reason == qt_error_string(ENOSPC))
        return QStringLiteral("на диске нет свободного места (%1)").arg(reason);
    return reason;
}

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines << text.mid(start);
    return lines;
}

QStringList ReadListFile(const QString& path) {
    const auto decoded = ReadTextFile(path);
    return decoded ? SplitLines(decoded->text) : QStringList();
}
