#include "platform/TextFile.h"

#include "platform/CodePage.h"
#include "platform/GeneralError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

}  // namespace

DecodedText DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return {QString::fromUtf8(bytes.mid(3)), TextEncoding::Utf8Bom};
    }
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return {decoder.decode(bytes.mid(2)), TextEncoding::Utf16LeBom};
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return {decoder.decode(bytes.mid(2)), TextEncoding::Utf16BeBom};
    }
    if (isValidUtf8(bytes)) return {QString::fromUtf8(bytes), TextEncoding::Utf8};
    return {DecodeCodePage(bytes), TextEncoding::Windows1251};
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
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        ThrowFileWriteError(path, file.errorString());
    }
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
