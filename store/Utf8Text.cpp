#include "store/Utf8Text.h"

QByteArray Utf8Text(const QString& text) {
    // Qt writes '?' for an unpaired surrogate, which would read back as a real
    // question mark; U+FFFD marks the loss for what it is. The copy is made
    // only when such a surrogate turns up.
    QString repaired;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate()) continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (repaired.isNull()) repaired = text;
        repaired[i] = QChar::ReplacementCharacter;
    }
    return (repaired.isNull() ? text : repaired).toUtf8();
}
