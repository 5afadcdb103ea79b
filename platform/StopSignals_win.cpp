#include "platform/StopSignals.h"

#include <windows.h>
#include <atomic>

namespace {

std::atomic<int> g_requests{0};

// Windows calls the handler on a thread of its own, so no thread of the run
// is interrupted and nothing needs blocking.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool repeated = g_requests.fetch_add(1) > 0;
    if (repeated && (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)) {
        static const char kText[] =
            "\nПовторный Ctrl+C: программа завершена сразу, записанное сохранено\n";
        DWORD put = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), kText, sizeof kText - 1, &put, nullptr);
        // At once, as _exit on Linux: no DLL's detach code runs while the
        // run's threads still hold their locks.
        ::TerminateProcess(::GetCurrentProcess(), 130);
    }
    return TRUE;
}

}  // namespace

void WatchStopSignals() {
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void ReceiveStopSignals() {}

int StopRequests() {
    return g_requests.load();
}
