#pragma once

#include <QString>

// The name of the sub-folder of the program's folder that holds a report
// group's files. The result is always one plain folder name inside that
// folder: never empty, ".", "..", an absolute path, a path with separators,
// a drive, or a device name the desktop systems reserve.
//
// 1. Every control character (codes below 32, 127 to 159) and every one of
//    " * / : < > ? \ | becomes "_"; other characters, Cyrillic included, stay.
// 2. Blanks and full stops are removed from the end.
// 3. A name longer than 120 characters, or than 255 bytes in UTF-8, is cut
//    (to whole characters) and step 2 repeated.
// 4. Nothing left gives "Без названия"; a reserved device name (CON, PRN, AUX,
//    NUL, COM1-COM9, LPT1-LPT9, also with an extension, any letter case) or
//    the name of one of the program's own files in its folder ("db.s3db",
//    "shown.txt", "settings.ini", "INNs.txt", "proxy.txt", "useragents.txt",
//    "log*.txt" and the like, any letter case) gets a leading "_".
QString SafeFolderName(const QString& name);
