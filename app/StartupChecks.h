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

// The folder of the OCR engine: the folder of the tesseract program the
// system has (FindOcrEngine), with a trailing "/", provided it has the
// Russian language data; empty otherwise.
QString FindTesseractDir();

// The OCR engine's program: FindTesseractDir() + "tesseract" ("tesseract.exe"
// on Windows), or the bare name when no engine was found.
QString TesseractExePath(const QString& tesseractDir);

// Where the data lives when it is not beside the program: the program file's
// folder could not be written, so the user's data folder holds everything.
struct DataFolderPlacement {
    bool moved = false;       // the data folder is not the program file's folder
    QString firstUseInnList;  // the INN list beside the program, to read while the data
                              // folder has none yet; empty otherwise
};

// `dataDir` with a trailing "/"; `programFileDir` the folder of the program
// file (empty when unknown, which counts as not moved).
DataFolderPlacement DescribeDataFolder(const QString& dataDir, const QString& programFileDir);

// When the data lives away from the program file's folder and has no
// "settings.ini" yet, the one beside the program is copied in, so that both
// front ends start from the settings the user left there. Gives the path
// copied from, or empty when nothing was copied.
QString AdoptProgramFolderSettings(const QString& dataDir, const QString& programFileDir);
