#pragma once

#include <QString>
#include <optional>

// Where the program was started from, checked before anything is read. A
// program run from inside an archive or a temporary folder loses its files
// (database, settings, reports) when that folder goes away.
struct PlacementProblem {
    QString caption;  // "Внимание!"
    QString text;
};

// The first failed placement check for the program folder, or none.
// `httpsAvailable` tells whether the HTTP layer has the TLS support it needs.
std::optional<PlacementProblem> CheckPlacement(const QString& programDir, bool httpsAvailable);

// The folder of the OCR engine: the folder of the tesseract program found on
// the PATH, with a trailing "/", provided it has the Russian language data;
// empty otherwise.
QString FindTesseractDir();

// The OCR engine's program: FindTesseractDir() + "tesseract", or the bare
// name when no engine was found.
QString TesseractExePath(const QString& tesseractDir);
