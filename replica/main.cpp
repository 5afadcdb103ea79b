// portal-replica [--port N] [--synthetic N] [--other-stages] [--ignore-supplier-filter]: runs
// the portal replica until SIGINT or SIGTERM, so the program (or curl) can be tried against it by
// hand. With --synthetic it also serves three registries of about N contracts each, concluded
// over the last thirty days; --other-stages puts a quarter of them in stages other than 0, and
// --ignore-supplier-filter makes the searches ignore the supplier filter (a fault mode). Prints
// the base address on stdout.
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"

#include <memory>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace {

struct Options {
    int port = 0;
    int synthetic = 0;  // contracts per registry; 0 serves the test routes only
    bool otherStages = false;
    bool ignoreSupplierFilter = false;
};

constexpr const char* kUsage =
    "Использование: portal-replica [--port N] [--synthetic N] [--other-stages] "
    "[--ignore-supplier-filter]\n";

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            options.port = std::stoi(argv[++i]);
        } else if (arg == "--synthetic" && i + 1 < argc) {
            options.synthetic = std::stoi(argv[++i]);
        } else if (arg == "--other-stages") {
            options.otherStages = true;
        } else if (arg == "--ignore-supplier-filter") {
            options.ignoreSupplierFilter = true;
        } else if (arg == "--version") {
            std::cout << "portal-replica " CF_VERSION "\n";
            std::exit(0);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else {
            throw std::invalid_argument("неизвестный аргумент: " + std::string(arg));
        }
    }
    if (options.port < 0 || options.port > 65535) {
        throw std::invalid_argument("порт вне диапазона 0–65535");
    }
    return options;
}

// The synthetic contracts are concluded over the last month, ending today.
constexpr int kServedDays = 30;

// The share of contracts --other-stages puts in stages other than 0.
constexpr double kOtherStageShare = 0.25;

std::unique_ptr<SyntheticPortal> servePortal(PortalReplica& replica, const Options& options) {
    const int contracts = options.synthetic;
    if (contracts <= 0) return nullptr;
    SyntheticPortalConfig config;
    config.lastDay = QDate::currentDate();
    config.firstDay = config.lastDay.addDays(-kServedDays);
    config.contracts44 = contracts;
    config.contractsCapital = contracts / 4 + 1;
    config.contracts223 = contracts / 2 + 1;
    // One day with a thousand more 44-FZ contracts: the crawl has to split the registry's
    // search by date, and that day's search by price.
    config.crowdedDays = {{config.lastDay.addDays(-5), 1000}};
    config.otherStageShare = options.otherStages ? kOtherStageShare : 0;
    config.ignoreSupplierFilter = options.ignoreSupplierFilter;
    return std::make_unique<SyntheticPortal>(replica, config);
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
        const Options options = parseOptions(argc, argv);
        PortalReplica replica;
        const auto portal = servePortal(replica, options);
        replica.start(options.port);
        if (portal) {
            // A few supplier INNs of the served contracts, to try reports with.
            std::cout << "ИНН для пробы:";
            for (std::size_t i = 0; i < 3 && i < portal->contracts().size(); ++i) {
                std::cout << ' ' << portal->contracts()[i].inns.front();
            }
            std::cout << "\n";
            const QDate last = QDate::currentDate(), first = last.addDays(-kServedDays);
            std::cout << "Контракты заключены с " << first.toString(u"dd.MM.yyyy").toStdString()
                      << " по " << last.toString(u"dd.MM.yyyy").toStdString()
                      << " (даты периода для run --from/--to)\n";
        }
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
