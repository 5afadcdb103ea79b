#include "platform/ProcessAlive.h"

#include <windows.h>

bool IsProcessRunning(qint64 pid) {
    if (pid <= 0 || pid > MAXDWORD) return false;
    HANDLE process =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    // A process of another user may refuse even this: it exists all the same.
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}
