#include "report/InnRequest.h"

#include <QStringList>

QString TrimControlAndBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    // QString::trimmed() would also strip Unicode spaces the line may keep.
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

InnRequest ParseInnListLine(const QString& line) {
    const QStringList fields = TrimControlAndBlanks(line).split(QLatin1Char('\t'));
    InnRequest request;
    if (fields.size() == 1) {
        request.Inn = fields[0];
    } else {
        request.ReportGroup = TrimControlAndBlanks(fields[0]);
        request.Inn = TrimControlAndBlanks(fields[fields.size() == 2 ? 1 : 2]);
    }
    return request;
}
