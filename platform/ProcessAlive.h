#pragma once

#include <QtGlobal>

// True while a process of that id runs on this machine (also one of another
// user's, which cannot be signalled); false for an id of no process, or not
// above 0. Files named after a process id are leftovers once it is false.
bool IsProcessRunning(qint64 pid);
