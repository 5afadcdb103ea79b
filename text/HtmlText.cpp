#include "text/HtmlText.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

struct NamedReference {
    QStringView name;  // the text after "&", ";" included
    QChar result;
};

// Tried in this order; "l" matches "lt;" before "laquo;".
constexpr std::array<NamedReference, 7> kDecodedReferences{{
    {u"amp;", u'&'},
    {u"lt;", u'<'},
    {u"gt;", u'>'},
    {u"laquo;", QChar(0x00AB)},
    {u"raquo;", QChar(0x00BB)},
    {u"nbsp;", u' '},
    {u"quot;", u'"'},
}};

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9') {
        value = u - u'0';
    } else if (base == 16 && u >= u'a' && u <= u'f') {
        value = u - u'a' + 10;
    } else if (base == 16 && u >= u'A' && u <= u'F') {
        value = u - u'A' + 10;
    }
    return value < base ? value : -1;
}

// Reads an integer the way the numeric reference rules want it: leading
// spaces, an optional sign, "$", "x", "X", "0x" or "0X" for hexadecimal, then
// digits up to the first one that does not belong. Only the low 16 bits of the
// value matter, so unsigned wrap-around on overflow is harmless.
char16_t readReferenceNumber(QStringView digits) {
    qsizetype i = 0;
    const qsizetype n = digits.size();
    while (i < n && digits[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (digits[i] == u'+' || digits[i] == u'-')) {
        negative = digits[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (digits[i] == u'$' || digits[i] == u'x' || digits[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && digits[i] == u'0' && (digits[i + 1] == u'x' || digits[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(digits[i], base);
        if (d < 0) break;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (negative) value = 0 - value;
    return static_cast<char16_t>(value & 0xFFFFu);
}

}  // namespace

QString HtmlDecode(QStringView html) {
    QString out;
    out.reserve(html.size());
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = html[i];
        if (c != u'&') {
            out.append(c);
            ++i;
            continue;
        }
        if (i + 1 >= n) break;  // a trailing "&" is dropped
        const QStringView rest = html.sliced(i + 1);
        const QChar next = rest.front();
        if (next == u'#') {
            const qsizetype semicolon = html.indexOf(u';', i + 2);
            const qsizetype digitsEnd = semicolon < 0 ? n : semicolon;
            out.append(QChar(readReferenceNumber(html.sliced(i + 2, digitsEnd - (i + 2)))));
            if (semicolon < 0) break;
            i = semicolon + 1;
            continue;
        }
        bool decoded = false;
        for (const auto& ref : kDecodedReferences) {
            if (rest.startsWith(ref.name)) {
                out.append(ref.result);
                i += 1 + ref.name.size();
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out.append(c);
            out.append(next);
            i += 2;
        }
    }
    return out;
}

namespace {

// Deletes every "<...>" in one pass: the same result as repeatedly deleting the
// first "<" through the first ">" after it, without the quadratic cost.
QString removeTags(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype open = text.indexOf(u'<', i);
        if (open < 0) {
            out.append(QStringView(text).sliced(i));
            break;
        }
        out.append(QStringView(text).sliced(i, open - i));
        const qsizetype close = text.indexOf(u'>', open);
        if (close < 0) break;  // an unclosed "<" takes the rest with it
        i = close + 1;
    }
    return out;
}

}  // namespace

QString HtmlToText(QStringView html) {
    static const std::array<std::pair<QStringView, QStringView>, 14> kReplacements{{
        {u"&nbsp;", u" "},
        {u"&bull;", u"-"},
        {u"&times;", u"x"},
        {u"&quot;", u"\""},
        {u"&mdash;", u"-"},
        {u"&ndash;", u"-"},
        {u"&laquo;", u"\""},
        {u"&raquo;", u"\""},
        {u"&lt;", u"<"},
        {u"&gt;", u">"},
        {u"&#039;", u"'"},
        {u"<br>", u" "},
        {u"\r", u""},
        {u"\n", u""},
    }};
    QString text = HtmlDecode(html);
    for (const auto& [from, to] : kReplacements) {
        if (text.contains(from)) text.replace(from.toString(), to.toString());
    }
    return removeTags(text);
}
