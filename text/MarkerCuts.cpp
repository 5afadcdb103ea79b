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
    if (sub.size() > head.size()) return 0;
    // The last possible start is given explicitly: without it, Qt 6.4 looks
    // for a one-unit needle at the end of the view too, one unit past it.
    return head.lastIndexOf(sub, head.size() - sub.size()) + 1;
}
