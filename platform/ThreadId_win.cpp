#include "platform/ThreadId.h"

#include <windows.h>

qint64 SystemThreadId() {
    return static_cast<qint64>(::GetCurrentThreadId());
}
