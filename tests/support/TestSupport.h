#pragma once

#include <QString>
#include <ostream>

// Helpers shared by the test executables.
namespace TestSupport {

// Absolute path of a fixture under tests/data.
QString dataPath(const QString& name);

// Whole content of a fixture file, decoded as UTF-8.
QString readDataText(const QString& name);

}  // namespace TestSupport

// u"текст"_q: a QString from a UTF-16 literal, for expectations.
inline QString operator""_q(const char16_t* text, std::size_t size) {
    return QString::fromUtf16(text, static_cast<qsizetype>(size));
}

// Readable QString values in GoogleTest failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
