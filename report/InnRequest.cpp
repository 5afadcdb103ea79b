#include "report/InnRequest.h"

#include "text/TrimControls.h"

#include <QStringList>

InnRequest ParseInnListLine(const QString& line) {
    const QStringList fields = TrimControls(line).split(QLatin1Char('\t'));
    InnRequest request;
    if (fields.size() == 1) {
        request.Inn = fields[0];
    } else {
        request.ReportGroup = TrimControls(fields[0]);
        request.Inn = TrimControls(fields[fields.size() == 2 ? 1 : 2]);
    }
    return request;
}
