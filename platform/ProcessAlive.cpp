#include "platform/ProcessAlive.h"

#include <signal.h>
#include <cerrno>

bool IsProcessRunning(qint64 pid) {
    // Signal 0 only asks whether the process could be signalled.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}
