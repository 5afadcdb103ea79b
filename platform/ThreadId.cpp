#include "platform/ThreadId.h"

#include <unistd.h>

qint64 SystemThreadId() {
    return ::gettid();
}
