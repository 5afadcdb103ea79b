#include "text/MarkerCuts.h"

QString ExtractBetween(QStringView text, QStringView startMarker, QStringView midMarker,
                       QStringView endMarker) {
    qsizetype anchor = 0;
    qsizetype anchorLength = 0;
    if (!startMarker.isEmpty()) {
        anchor = text.indexOf(startMarker);
        if (anchor < 0) return {};
        anchorLength = startMarker.size();
    }
    if (!midMarker.isEmpty()) {
        anchor = text.indexOf(midMarker, anchor + anchorLength);
        if (anchor < 0) return {};
        anchorLength = midMarker.size();
    }
    const qsizetype start = anchor + anchorLength;
    qsizetype end = text.size();
    if (!endMarker.isEmpty()) {
        end = text.indexOf(endMarker, start);
        if (end < 0) return {};
    }
    return text.sliced(start, end - start).toString();
}

qsizetype LastPosBefore(QStringView sub, QStringView text, qsizetype pos) {
    if (pos < 1 || sub.isEmpty()) return 0;
    const QStringView head = text.left(pos);
    return head.lastIndexOf(sub) + 1;
}
