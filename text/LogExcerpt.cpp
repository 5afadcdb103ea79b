#include "text/LogExcerpt.h"

QString LogExcerpt(QStringView text, qsizetype maxLength) {
    if (text.size() <= maxLength) return text.toString();
    qsizetype length = maxLength;
    // Never half a surrogate pair.
    if (length > 0 && text.at(length - 1).isHighSurrogate()) --length;
    return text.left(length).toString() +
           QStringLiteral("… (ещё %1 знаков)").arg(text.size() - length);
}
