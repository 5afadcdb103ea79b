#pragma once

#include <QString>

// The folder that holds every file of the program's own: lists, settings, the
// database, reports, logs and downloads. Always ends with "/".
//
// With `chosen` given (the console's --dir), that folder, created when
// missing. Otherwise the folder of the program file when it is writable and
// not a system folder, the way a portable copy is kept, or else the user's
// data folder ($XDG_DATA_HOME, by default ~/.local/share; %LOCALAPPDATA% on
// Windows) plus "contract-finder", as for an installed copy.
// Throws EGeneralError when no such folder can be made.
QString ResolveProgramDir(const QString& chosen = QString());

// Whether the folder lies where the system keeps installed programs (/usr and
// below, /bin, /sbin, /lib; on Windows Program Files and the Windows folder),
// links followed.
bool IsSystemProgramFolder(const QString& dir);
