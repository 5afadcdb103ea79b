#include "platform/StopSignals.h"

#include <pthread.h>
#include <unistd.h>
#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_requests{0};

void onStopSignal(int signal) {
    if (g_requests.fetch_add(1) > 0 && signal == SIGINT) {
        static const char kText[] =
            "\nПовторный Ctrl+C: программа завершена сразу, записанное сохранено\n";
        [[maybe_unused]] const ssize_t put = ::write(STDERR_FILENO, kText, sizeof kText - 1);
        ::_exit(130);
    }
}

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

}  // namespace

void WatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    action.sa_mask = stopSignals();
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void ReceiveStopSignals() {
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

int StopRequests() {
    return g_requests.load();
}
