// Measured whole crawls of the synthetic portal, the way a run goes: this process serves the
// portal replica, and the console front end crawls it in a child process, so that the child's
// peak memory and CPU time are the program's own and the replica's share is measured apart.
// Printed per run: wall time, jobs handled per second against the loop's own ceiling, the
// child's peak RSS and CPU per job, the replica's CPU per job, and what the run stored against
// what a correct crawl stores.
//
//   run_bench [--cards N] [--threads 1,4,16] [--loop-sleep-ms MS] [--cli PATH] [--dir DIR]
//   run_bench --queue-memory
//   run_bench --by-inn [--cards N] [--threads N] [--loop-sleep-ms MS] [--cli PATH] [--dir DIR]
//   run_bench --view-reads [--cards N] [--threads N] [--loop-sleep-ms MS] [--cli PATH] [--dir DIR]
//
// The cards are a mix of the three registries (half 44-FZ, a fifth capital repairs, the rest
// 223-FZ over the supplier-list, protocol and plan-position routes), none with a scanned
// protocol: OCR is measured by text_bench. The loop pause is the program's 50 ms unless
// --loop-sleep-ms sets another. Each run starts from an empty program folder under DIR (by
// default run_bench_data beside this program).
//
// --by-inn measures a full crawl and a search by INN side by side on one portal: N cards plus
// one supplier's extra 44-FZ contracts, five listed INNs (that supplier's, one each of a 44-FZ
// and a capital-repair card, two of 223-FZ supplier lists) holding about 2 % of the contracts.
// Printed per mode: requests, wall time and contracts reported; then the ratios and whether the
// two reports are the same.
//
// --view-reads runs each crawl twice, the second time beside the contracts view's reads: a
// thread of this process loads the listed INNs' stored contracts through its own read-only
// connection, as the view does, again and again (a load, then a 100 ms pause) while the crawl
// writes, a harder use than the window's own view, which reads nothing while its run is active.
#include "crawl/JobQueue.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "replica/SyntheticSearch.h"
#include "store/ContractQueries.h"
#include "store/SQLiteWrap.h"

#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct Options {
    int cards = 2000;
    std::vector<int> threads{1, 4, 16};
    unsigned long loopSleepMs = 50;
    QString cli = QStringLiteral(CF_CLI_PATH);
    QString dir;
    bool queueMemory = false;
    bool byInn = false;
    bool viewReads = false;
};

Options parseOptions(const QStringList& arguments) {
    Options options;
    options.dir = QCoreApplication::applicationDirPath() + QStringLiteral("/run_bench_data");
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == QLatin1String("--cards") && hasValue) {
            options.cards = arguments[++i].toInt();
        } else if (arg == QLatin1String("--threads") && hasValue) {
            options.threads.clear();
            for (const QString& n : arguments[++i].split(QLatin1Char(',')))
                options.threads.push_back(n.toInt());
        } else if (arg == QLatin1String("--loop-sleep-ms") && hasValue) {
            options.loopSleepMs = arguments[++i].toULong();
        } else if (arg == QLatin1String("--cli") && hasValue) {
            options.cli = arguments[++i];
        } else if (arg == QLatin1String("--dir") && hasValue) {
            options.dir = arguments[++i];
        } else if (arg == QLatin1String("--queue-memory")) {
            options.queueMemory = true;
        } else if (arg == QLatin1String("--by-inn")) {
            options.byInn = true;
        } else if (arg == QLatin1String("--view-reads")) {
            options.viewReads = true;
        } else {
            throw std::invalid_argument("unknown argument: " + arg.toStdString());
        }
    }
    return options;
}

double seconds(const timeval& time) {
    return time.tv_sec + time.tv_usec / 1e6;
}

double cpuSeconds(const rusage& usage) {
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ownCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

// A line of /proc/self/status ("VmHWM", "VmRSS") in KB.
long statusKb(const char* key) {
    long kb = 0;
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':')
            kb = std::atol(line + keyLength + 1);
    }
    std::fclose(status);
    return kb;
}

// The portal: a mix of the three registries over March 2024, no scanned protocol.
SyntheticPortalConfig portalConfig(int cards) {
    SyntheticPortalConfig config;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 31);
    config.contracts44 = cards / 2;
    config.contractsCapital = cards / 5;
    config.contracts223 = cards - config.contracts44 - config.contractsCapital;
    config.ocrContracts = 0;
    return config;
}

struct ChildRun {
    int exitStatus = -1;
    rusage usage{};
    double wallSeconds = 0;
    double lastJobSeconds = 0;  // when the last handled job's log line arrived
    int jobs = 0;               // log lines of handled jobs
    int errorLines = 0;         // log lines reporting an error
    std::string lastLines;
};

// Runs the console front end with its log on a pipe, timing each log line as it arrives.
ChildRun runChild(const QStringList& arguments) {
    std::vector<std::string> texts;
    for (const QString& argument : arguments)
        texts.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);

    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        throw std::runtime_error("cannot start " + texts[0]);
    }

    std::string pending;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        const double at = timer.nsecsElapsed() / 1e9;
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.find(": успешно") != std::string::npos) {
                ++run.jobs;
                run.lastJobSeconds = at;
            }
            if (line.find("Ошибка") != std::string::npos ||
                line.find("ошибка") != std::string::npos) {
                ++run.errorLines;
                if (run.errorLines <= 5) std::fprintf(stderr, "  log: %s\n", line.c_str());
            }
            run.lastLines = line;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    wait4(pid, &status, 0, &run.usage);
    run.wallSeconds = timer.nsecsElapsed() / 1e9;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct Expected {
    std::size_t contracts = 0;
    std::size_t innLinks = 0;
    std::vector<std::string> reportInns;
};

Expected expectedOf(const SyntheticPortal& portal) {
    Expected expected;
    for (const SyntheticContract& contract : portal.contracts()) {
        ++expected.contracts;
        expected.innLinks += contract.expectedInns.size();
        if (expected.reportInns.size() < 3 && !contract.expectedInns.empty())
            expected.reportInns.push_back(contract.expectedInns.front());
    }
    return expected;
}

// Loads the contracts of the listed INNs through a read-only connection of its own until
// stopped, as the window's contracts view does at each refresh.
class ViewReader {
public:
    ViewReader(const QString& databasePath, const std::vector<std::string>& inns) {
        for (const std::string& inn : inns)
            m_filter.inns << QString::fromStdString(inn);
        m_thread = std::thread([this, databasePath] {
            while (!m_stop) {
                if (QFile::exists(databasePath)) {
                    try {
                        TSQLiteDatabase db(databasePath, true);
                        m_rows = QueryContracts(db, m_filter).size();
                        ++m_loads;
                    } catch (const std::exception&) {
                        ++m_failures;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~ViewReader() { stop(); }
    void stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    int loads() const { return m_loads; }
    int failures() const { return m_failures; }
    std::size_t rows() const { return m_rows; }

private:
    ContractFilter m_filter;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_loads{0};
    std::atomic<int> m_failures{0};
    std::atomic<std::size_t> m_rows{0};
    std::thread m_thread;
};

void measureCrawl(PortalReplica& replica, const Expected& expected, const Options& options,
                  int threads, bool withViewReads = false) {
    const QString dir = options.dir + QStringLiteral("/threads-%1-pause-%2%3/")
                                          .arg(threads)
                                          .arg(options.loopSleepMs)
                                          .arg(withViewReads ? QStringLiteral("-view") : QString());
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QFile inns(dir + QStringLiteral("INNs.txt"));
    if (!inns.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write INNs.txt");
    for (const std::string& inn : expected.reportInns)
        inns.write((inn + "\r\n").c_str());
    inns.close();

    replica.clearLog();
    const double replicaCpuBefore = ownCpuSeconds();
    std::unique_ptr<ViewReader> reader;
    if (withViewReads)
        reader = std::make_unique<ViewReader>(dir + QStringLiteral("db.s3db"), expected.reportInns);
    const ChildRun run = runChild(
        {options.cli, QStringLiteral("run"), QStringLiteral("--dir"), dir,
         QStringLiteral("--portal"), QString::fromStdString(replica.baseUrl()),
         QStringLiteral("--from"), QStringLiteral("01.03.2024"), QStringLiteral("--to"),
         QStringLiteral("31.03.2024"), QStringLiteral("--threads"), QString::number(threads),
         QStringLiteral("--loop-sleep-ms"), QString::number(options.loopSleepMs)});
    if (reader) reader->stop();
    const double replicaCpu = ownCpuSeconds() - replicaCpuBefore;
    const std::size_t requests = replica.requests().size();
    if (reader) {
        std::printf("view reads beside the crawl: %d loads (the last %zu rows), %d failed\n",
                    reader->loads(), reader->rows(), reader->failures());
    }

    TSQLiteDatabase db(dir + QStringLiteral("db.s3db"));
    const auto stored = db.GetTableValue(QStringLiteral("SELECT count(*) FROM urls"));
    const auto links = db.GetTableValue(QStringLiteral("SELECT count(*) FROM url_inns"));

    const int jobs = qMax(1, run.jobs);
    const double crawlSeconds = run.lastJobSeconds > 0 ? run.lastJobSeconds : run.wallSeconds;
    const double ceiling = 1000.0 / (2.0 * static_cast<double>(qMax(1UL, options.loopSleepMs)));
    std::printf(
        "threads %2d, loop pause %2lu ms: exit %d, %d jobs (%zu requests), wall %.1f s "
        "(last job at %.1f s), %.2f jobs/s = %.0f%% of the loop's ceiling of %.0f/s\n"
        "    program: peak RSS %ld KB, CPU %.2f s = %.2f ms/job (user %.2f s, sys %.2f s); "
        "replica (this process): CPU %.2f s = %.2f ms/job, RSS %ld KB\n"
        "    stored %lld of %zu contracts, %lld of %zu INN links; %d error lines\n",
        threads, options.loopSleepMs, run.exitStatus, run.jobs, requests, run.wallSeconds,
        crawlSeconds, run.jobs / crawlSeconds, 100.0 * run.jobs / crawlSeconds / ceiling, ceiling,
        run.usage.ru_maxrss, cpuSeconds(run.usage), 1000.0 * cpuSeconds(run.usage) / jobs,
        seconds(run.usage.ru_utime), seconds(run.usage.ru_stime), replicaCpu,
        1000.0 * replicaCpu / jobs, statusKb("VmRSS"), static_cast<long long>(stored),
        expected.contracts, static_cast<long long>(links), expected.innLinks, run.errorLines);
    std::fflush(stdout);
}

// What one run of the side-by-side measurement gave.
struct ModeRun {
    ChildRun child;
    std::size_t requests = 0;
    QStringList reportLines;  // the data lines of every group's reports, sorted
};

QStringList reportLinesIn(const QString& dir) {
    QStringList lines;
    QDir folder(dir);
    for (const QString& group : folder.entryList({QStringLiteral("G*")}, QDir::Dirs)) {
        const QDir groupDir(folder.filePath(group));
        for (const QString& name : groupDir.entryList({QStringLiteral("*.tab")}, QDir::Files)) {
            QFile file(groupDir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                lines << QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n")).mid(1);
        }
    }
    lines.removeAll(QString());
    lines.sort();
    return lines;
}

ModeRun runMode(PortalReplica& replica, const Options& options, const QStringList& inns,
                bool byInn) {
    const QString dir =
        options.dir + (byInn ? QStringLiteral("/by-inn/") : QStringLiteral("/full/"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QFile list(dir + QStringLiteral("INNs.txt"));
    if (!list.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write INNs.txt");
    for (int i = 0; i < inns.size(); ++i)
        list.write((QStringLiteral("G%1\t").arg(i) + inns[i] + QStringLiteral("\r\n")).toUtf8());
    list.close();
    QStringList arguments = {options.cli,
                             QStringLiteral("run"),
                             QStringLiteral("--dir"),
                             dir,
                             QStringLiteral("--portal"),
                             QString::fromStdString(replica.baseUrl()),
                             QStringLiteral("--from"),
                             QStringLiteral("01.03.2024"),
                             QStringLiteral("--to"),
                             QStringLiteral("31.03.2024"),
                             QStringLiteral("--threads"),
                             QString::number(options.threads.front()),
                             QStringLiteral("--loop-sleep-ms"),
                             QString::number(options.loopSleepMs)};
    if (byInn) arguments << QStringLiteral("--by-inn");
    replica.clearLog();
    ModeRun run;
    run.child = runChild(arguments);
    run.requests = replica.requests().size();
    run.reportLines = reportLinesIn(dir);
    std::printf("%-9s exit %d, %zu requests, wall %.1f s, %lld contracts reported\n",
                byInn ? "--by-inn:" : "full:", run.child.exitStatus, run.requests,
                run.child.wallSeconds, static_cast<long long>(run.reportLines.size()));
    std::fflush(stdout);
    return run;
}

// The INN of the first contract of the registry and route, for the listed INNs.
std::string innOf(const SyntheticPortal& portal, PortalRegistry registry, SyntheticRoute route,
                  int skip = 0) {
    for (const SyntheticContract* contract : portal.contractsOf(registry)) {
        if (contract->route == route && skip-- == 0) return contract->inns.front();
    }
    throw std::runtime_error("no contract of that route");
}

void measureByInn(const Options& options) {
    SyntheticPortalConfig config = portalConfig(options.cards);
    config.frequentSupplierInn = "7712345671";
    config.frequentSupplierContracts = qMax(1, options.cards / 50 - 4);
    PortalReplica replica;
    replica.start();
    const SyntheticPortal portal(replica, config);
    const QStringList inns = {
        QString::fromStdString(config.frequentSupplierInn),
        QString::fromStdString(innOf(portal, PortalRegistry::Contracts44, SyntheticRoute::Card)),
        QString::fromStdString(innOf(portal, PortalRegistry::CapitalRepairs, SyntheticRoute::Card)),
        QString::fromStdString(
            innOf(portal, PortalRegistry::Contracts223, SyntheticRoute::SupplierList)),
        QString::fromStdString(
            innOf(portal, PortalRegistry::Contracts223, SyntheticRoute::SupplierList, 1))};
    // The contracts the supplier filter finds for one of the INNs.
    std::set<const SyntheticContract*> found;
    for (const QString& inn : inns) {
        for (const SyntheticContract* contract : portal.supplierSearch(inn.toStdString()).found)
            found.insert(contract);
    }
    const std::size_t held = found.size();
    std::printf(
        "%zu cards (%d of one supplier), 5 listed INNs held by %zu of them (%.1f %%); "
        "%d threads, loop pause %lu ms\n",
        portal.contracts().size(), config.frequentSupplierContracts, held,
        100.0 * static_cast<double>(held) / static_cast<double>(portal.contracts().size()),
        options.threads.front(), options.loopSleepMs);
    const ModeRun full = runMode(replica, options, inns, false);
    const ModeRun fast = runMode(replica, options, inns, true);
    std::printf("full / --by-inn: %.1fx the requests, %.1fx the wall time; reports %s\n",
                static_cast<double>(full.requests) /
                    static_cast<double>(qMax<std::size_t>(1, fast.requests)),
                full.child.wallSeconds / qMax(0.001, fast.child.wallSeconds),
                full.reportLines == fast.reportLines ? "the same" : "DIFFER");
}

long residentKb() {
    return statusKb("VmRSS");
}

void measureQueueMemory() {
    const long before = residentKb();
    JobQueue queue;
    for (int i = 0; i < 100000; ++i) {
        queue.addTail(QStringLiteral("https://zakupki.gov.ru/epz/contract/contractCard/"
                                     "common-info.html?reestrNumber=%1")
                          .arg(3770000000000000000LL + i));
    }
    std::printf("100 000 queued card jobs: %ld KB (%.0f bytes a job)\n", residentKb() - before,
                (residentKb() - before) * 1024.0 / 100000);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        const Options options = parseOptions(QCoreApplication::arguments());
        if (options.queueMemory) {
            measureQueueMemory();
            return 0;
        }
        if (options.byInn) {
            measureByInn(options);
            return 0;
        }
        PortalReplica replica;
        replica.start();
        const SyntheticPortal portal(replica, portalConfig(options.cards));
        const Expected expected = expectedOf(portal);
        const SyntheticPortalConfig config = portalConfig(options.cards);
        std::printf(
            "%d cards: %d 44-FZ, %d capital repairs, %d 223-FZ (no scanned protocol); "
            "replica at %s, RSS %ld KB before the runs\n",
            options.cards, config.contracts44, config.contractsCapital, config.contracts223,
            replica.baseUrl().c_str(), residentKb());
        for (int threads : options.threads) {
            measureCrawl(replica, expected, options, threads);
            if (options.viewReads) measureCrawl(replica, expected, options, threads, true);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "run_bench: %s\n", e.what());
        return 1;
    }
}
