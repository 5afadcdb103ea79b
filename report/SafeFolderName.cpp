#include "report/SafeFolderName.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype kMaxNameLength = 120;
// The file systems' limit for one name, in bytes of UTF-8.
constexpr qsizetype kMaxNameBytes = 255;

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

// The program's own files in its folder, which a group's folder must not take.
bool isProgramFileName(const QString& name) {
    static const QRegularExpression own(
        QStringLiteral("^(db\\.s3db(-journal|-wal|-shm)?|shown\\.txt(\\.lock)?|settings\\.ini|"
                       "INNs\\.txt|proxy\\.txt|useragents\\.txt|log.*\\.txt|poppler)$"),
        QRegularExpression::CaseInsensitiveOption);
    return own.match(name).hasMatch();
}

// The longest start of the name that fits kMaxNameBytes, whole characters only.
void cutToBytes(QString& name) {
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        const bool pair =
            name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const qsizetype size = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (bytes + size > kMaxNameBytes) {
            name.truncate(i);
            return;
        }
        bytes += size;
        if (pair) ++i;
    }
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
    const qsizetype length = safe.size();
    cutToBytes(safe);  // the names that get a "_" below are short
    if (safe.size() != length) dropTrailingBlanksAndStops(safe);
    // A Russian name, as every name the user sees.
    if (safe.isEmpty()) return QStringLiteral("Без названия");
    if (isReservedDeviceName(safe) || isProgramFileName(safe)) safe.prepend(QLatin1Char('_'));
    return safe;
}
