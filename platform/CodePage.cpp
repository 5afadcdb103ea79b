#include "platform/CodePage.h"

#include "platform/GeneralError.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Qt converts Windows-1251 through ICU, which Debian's Qt is built with; a Qt
// without it cannot read the program's legacy files, which is an installation
// fault.
constexpr const char* kCodePage = "windows-1251";

void requireValid(bool valid) {
    if (!valid) throw EGeneralError(QStringLiteral("Кодировка windows-1251 недоступна"));
}

}  // namespace

QString DecodeCodePage(const QByteArray& bytes) {
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    requireValid(decoder.isValid());
    return decoder.decode(bytes);
}

// The converter marks characters it lacks with the SUB control (0x1A), so
// text is converted between its own SUB characters, which stay.
QByteArray EncodeCodePage(const QString& text) {
    QStringEncoder encoder(kCodePage, QStringEncoder::Flag::Stateless);
    requireValid(encoder.isValid());
    QByteArray bytes;
    bytes.reserve(text.size());
    const QList<QStringView> parts = QStringView(text).split(QChar(0x1A));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) bytes += '\x1A';
        QByteArray part = encoder.encode(parts[i]);
        bytes += part.replace('\x1A', '?');
    }
    return bytes;
}
