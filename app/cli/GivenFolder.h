#pragma once

#include <QString>

// The message for a folder named by --dir that is not there, or empty when it
// is there or none was named. A folder given by name is never made up: a typing
// error would start an empty one (and the database with it).
QString MissingGivenFolder(const QString& dir);
