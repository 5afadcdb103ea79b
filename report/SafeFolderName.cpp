#include "report/SafeFolderName.h"

#include <QRegularExpression>

namespace {

// Longer names risk the file system's limit of 255 bytes once in UTF-8.
constexpr qsizetype kMaxNameLength = 120;

bool isReplaced(QChar c) {
    const char16_t u = c.unicode();
    if (u < 32 || (u >= 127 && u <= 159)) return true;
    return QStringView(u"\"*/:<>?\\|").contains(c);
}

void dropTrailingBlanksAndStops(QString& name) {
    while (!name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QLatin1Char('.')))
        name.chop(1);
}

bool isReservedDeviceName(const QString& name) {
    // Windows opens the device, not a folder, for these names with any extension.
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

}  // namespace

QString SafeFolderName(const QString& name) {
    QString safe = name;
    for (QChar& c : safe) {
        if (isReplaced(c)) c = QLatin1Char('_');
    }
    dropTrailingBlanksAndStops(safe);
    if (safe.size() > kMaxNameLength) {
        safe.truncate(kMaxNameLength);
        // A cut between the halves of a surrogate pair would leave half a character.
        if (safe.back().isHighSurrogate()) safe.chop(1);
        dropTrailingBlanksAndStops(safe);
    }
    if (safe.isEmpty()) return QStringLiteral("Unknown");
    if (isReservedDeviceName(safe)) safe.prepend(QLatin1Char('_'));
    return safe;
}
