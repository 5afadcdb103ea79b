#pragma once

#include <QString>

// The folder that holds every file of the program's own: lists, settings, the
// database, reports, logs and downloads. Always ends with "/".
//
// With `chosen` given (the console's --dir), that folder, created when
// missing. Otherwise the folder of the program file when it is writable, the
// way a portable copy is kept, or else the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share) plus "contract-finder".
// Throws EGeneralError when no such folder can be made.
QString ResolveProgramDir(const QString& chosen = QString());
