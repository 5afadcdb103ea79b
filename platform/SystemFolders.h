#pragma once

#include <QString>

// The folder under which each user's programs keep their data, without a
// trailing "/": $XDG_DATA_HOME (by default ~/.local/share) on Linux,
// %LOCALAPPDATA% on Windows.
QString UserDataRoot();
