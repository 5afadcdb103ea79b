#include "platform/CodePage.h"

#include <windows.h>
#include <climits>

// Both conversions measure first and convert second. Windows has no limit on
// what it converts beyond int sizes, which the program's files stay far below.

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
    if (text.isEmpty() || text.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int size = static_cast<int>(text.size());
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int length = ::WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, "?", nullptr);
    QByteArray bytes(length, Qt::Uninitialized);
    ::WideCharToMultiByte(CP_ACP, flags, wide, size, bytes.data(), length, "?", nullptr);
    return bytes;
}
