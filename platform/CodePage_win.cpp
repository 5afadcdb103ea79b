#include "platform/CodePage.h"

#include <windows.h>
#include <climits>

// Both conversions measure first and convert second; the program's files stay
// far below the int sizes Windows converts.

namespace {

// Characters beyond the 16-bit range are in no 8-bit code page; Windows
// would write one "?" for each half of the pair, so each becomes one "?" first.
QString withoutSurrogatePairs(const QString& text) {
    QString single;
    single.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text[i].isSurrogate()) {
            single += text[i];
            continue;
        }
        single += QLatin1Char('?');
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    }
    return single;
}

}  // namespace

QString DecodeCodePage(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > INT_MAX) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.constData(), size, nullptr, 0);
    QString text(length, Qt::Uninitialized);
    ::MultiByteToWideChar(CP_ACP, 0, bytes.constData(), size,
                          reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

// No best-fit: a letter the code page lacks becomes "?", never a look-alike.
QByteArray EncodeCodePage(const QString& text) {
    const QString single = withoutSurrogatePairs(text);
    if (single.isEmpty() || single.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(single.utf16());
    const int size = static_cast<int>(single.size());
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int length = ::WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, "?", nullptr);
    QByteArray bytes(length, Qt::Uninitialized);
    ::WideCharToMultiByte(CP_ACP, flags, wide, size, bytes.data(), length, "?", nullptr);
    return bytes;
}
