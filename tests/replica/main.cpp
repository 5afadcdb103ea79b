// portal-replica [--port N]: runs the portal replica until SIGINT or SIGTERM, so the program
// (or curl) can be tried against it by hand. Prints the base address on stdout.
#include "tests/support/PortalReplica.h"

#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace {

int parsePort(int argc, char** argv) {
    int port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::stoi(argv[++i]);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << "Использование: portal-replica [--port N]\n";
            std::exit(0);
        } else {
            throw std::invalid_argument("неизвестный аргумент: " + std::string(arg));
        }
    }
    if (port < 0 || port > 65535) throw std::invalid_argument("порт вне диапазона 0–65535");
    return port;
}

}  // namespace

int main(int argc, char** argv) {
    // Blocked before the server starts, so its threads inherit the mask and the signals wait
    // for sigwait below instead of ending the process in the middle of an answer.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        const int port = parsePort(argc, argv);
        PortalReplica replica;
        replica.start(port);
        std::cout << "Реплика портала запущена: " << replica.baseUrl() << "\n"
                  << "Сертификат: " << replica.certificatePath() << "\n"
                  << "Остановка: Ctrl+C" << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        std::cout << "Реплика портала остановлена" << std::endl;
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "Ошибка: " << error.what() << std::endl;
        return 1;
    }
}
