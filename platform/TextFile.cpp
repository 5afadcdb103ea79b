#include "platform/TextFile.h"

#include "platform/GeneralError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace {

// Code points of the bytes 0x80 to 0xFF; 0x98, unassigned, keeps its own value.
constexpr std::array<char16_t, 128> kWindows1251High{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

QString decodeWindows1251(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte < 0x80 ? char16_t(byte) : kWindows1251High[byte - 0x80]);
    }
    return text;
}

char encodeWindows1251(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return static_cast<char>(u);
    for (std::size_t i = 0; i < kWindows1251High.size(); ++i) {
        if (kWindows1251High[i] == u) return static_cast<char>(0x80 + i);
    }
    return '?';
}

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
    return {decodeWindows1251(bytes), TextEncoding::Windows1251};
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
        case TextEncoding::Windows1251: {
            QByteArray bytes(text.size(), Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i)
                bytes[i] = encodeWindows1251(text[i]);
            return bytes;
        }
    }
    return {};
}

std::optional<DecodedText> ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        throw EGeneralError(
            QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EGeneralError(
            QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, file.errorString()));
    }
    return DecodeText(bytes);
}

void WriteTextFile(const QString& path, const QString& text, TextEncoding encoding) {
    QSaveFile file(path);
    const QByteArray bytes = EncodeText(text, encoding);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw EGeneralError(
            QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
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
