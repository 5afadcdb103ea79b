#include "app/RunAssembly.h"

RunParameters AssembleRun(TSQLiteDatabase& db, const QString& programDir, const QDate& from,
                          const QDate& to, const QString& tesseractExe) {
    RunParameters parameters;
    parameters.db = &db;
    parameters.programDir = programDir;
    parameters.publishDateFrom = from;
    parameters.publishDateTo = to;
    parameters.tesseractExe = tesseractExe;
    return parameters;
}
