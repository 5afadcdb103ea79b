#pragma once

#include <QString>

// One line of the INN list, read as a request: the INN to look up and the
// report group whose file receives its contracts.
//
// Forms, after trimming the line (characters with codes up to 32 removed at
// both ends): "INN"; "group<TAB>INN"; "group<TAB>label<TAB>INN[<TAB>...]".
// Every field is trimmed the same way; the label and anything after the INN
// field are dropped. An empty line yields an empty INN.
struct InnRequest {
    QString Inn;
    QString ReportGroup;  // empty when the line has no tab
};

InnRequest ParseInnListLine(const QString& line);
