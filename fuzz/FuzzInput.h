#pragma once

#include "platform/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// How the fuzz targets read their bytes. An input is a few selector bytes
// followed by text fields separated by the byte 0x1F (ASCII unit separator).
// A selector is read as (byte - '0') modulo the number of choices, so the
// seeds can use the digits "0", "1", ... for them.
//
// Every target has an encoding selector: the fields become text by one of
// the paths the program's text takes, so invalid UTF-8, the Windows-1251
// code page and unpaired UTF-16 surrogates all reach the code under test.

namespace fuzz {

enum class Encoding {
    Utf8,      // QString::fromUtf8, as page bodies are read
    TextFile,  // DecodeText: byte-order mark, UTF-8, else Windows-1251, as list files are read
    Latin1,    // one character per byte
    Utf16Le,   // raw code units, unpaired surrogates included
};

inline constexpr char kFieldSeparator = '\x1F';

inline int Choice(std::uint8_t selector, int choices) {
    return static_cast<std::uint8_t>(selector - '0') % choices;
}

inline QString Decode(Encoding encoding, const QByteArray& bytes) {
    switch (encoding) {
        case Encoding::Utf8:
            return QString::fromUtf8(bytes);
        case Encoding::TextFile:
            return DecodeText(bytes).text;
        case Encoding::Latin1:
            return QString::fromLatin1(bytes);
        case Encoding::Utf16Le: {
            // The bytes may be unaligned for char16_t: copy them out first.
            std::u16string units(static_cast<std::size_t>(bytes.size()) / 2, u'\0');
            std::memcpy(units.data(), bytes.constData(), units.size() * sizeof(char16_t));
            return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
        }
    }
    return {};
}

struct Input {
    std::vector<std::uint8_t> selectors;  // missing ones read as '0'
    Encoding encoding = Encoding::Utf8;   // from the last selector
    QStringList fields;                   // at least one, possibly empty

    // The field at index, or fallback when the input has fewer fields.
    QString field(qsizetype index, const QString& fallback = {}) const {
        return index < fields.size() ? fields[index] : fallback;
    }
};

// Reads selectorCount selector bytes (the last one picks the encoding), then
// at most maxFields fields; the last field takes the rest of the input,
// separators included.
inline Input ReadInput(const std::uint8_t* data, std::size_t size, std::size_t selectorCount,
                       qsizetype maxFields) {
    Input input;
    std::size_t at = 0;
    for (std::size_t i = 0; i < selectorCount; ++i)
        input.selectors.push_back(at < size ? data[at++] : std::uint8_t('0'));
    input.encoding = static_cast<Encoding>(Choice(input.selectors.back(), 4));
    const QByteArray rest(reinterpret_cast<const char*>(data + at),
                          static_cast<qsizetype>(size - at));
    qsizetype from = 0;
    while (input.fields.size() + 1 < maxFields) {
        const qsizetype separator = rest.indexOf(kFieldSeparator, from);
        if (separator < 0) break;
        input.fields << Decode(input.encoding, rest.mid(from, separator - from));
        from = separator + 1;
    }
    input.fields << Decode(input.encoding, rest.mid(from));
    return input;
}

}  // namespace fuzz

// A broken promise of the code under test: libFuzzer records the abort as a crash.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)
