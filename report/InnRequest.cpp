#include "report/InnRequest.h"

#include "text/TrimControls.h"

#include <QStringList>

QString TrimControlAndBlanks(const QString& text) {
    return TrimControls(text);
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
