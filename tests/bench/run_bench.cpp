// Measured crawls of the synthetic portal through the controller, the way a
// run goes: jobs handled per second with 1, 4 and 16 threads, against the
// loop's own ceiling, and the memory a queue of 100 000 jobs takes.
//
//   run_bench [contracts]          (default 400 contracts of the 44-FZ registry)
#include "crawl/JobQueue.h"
#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "tests/crawl/RecordingWindow.h"
#include "tests/support/PortalReplica.h"
#include "tests/support/SyntheticPortal.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

long residentKb() {
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void measureCrawl(PortalReplica& replica, int threads, unsigned long loopSleepMs) {
    QTemporaryDir dir;
    auto db = TSQLiteDatabase::Create(dir.filePath(QStringLiteral("db.s3db")));
    CreateSchema(*db);
    RecordingWindow window;
    window.settings.threadsLimit = threads;
    RunControl control(window);
    RunParameters parameters;
    parameters.db = db.get();
    parameters.programDir = dir.path() + QLatin1Char('/');
    parameters.publishDateFrom = QDate(2024, 3, 1);
    parameters.publishDateTo = QDate(2024, 3, 31);
    parameters.loopSleepMs = loopSleepMs;
    parameters.requestMutexName = QStringLiteral("cf-run-bench");
    parameters.handlers.card44 = [](HandlerContext& context, const FinishedJob& job) {
        context.store.storeContract(job.url, QStringLiteral("s"), QString(), QString(), QString());
    };
    replica.clearLog();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    control.Start(std::move(parameters));
    control.WaitForRunEnd(3600 * 1000);
    const double seconds = timer.elapsed() / 1000.0;
    const int jobs = window.count(QStringLiteral(": успешно"));
    std::printf(
        "threads %2d, loop pause %3lu ms: %5d jobs in %6.1f s = %6.1f jobs/s, "
        "CPU %.2f ms/job, RSS %ld KB\n",
        threads, loopSleepMs, jobs, seconds, jobs / seconds,
        1000.0 * (cpuSeconds() - cpuBefore) / qMax(1, jobs), residentKb());
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
    const int contracts = argc > 1 ? std::atoi(argv[1]) : 400;
    PortalReplica replica;
    replica.start();
    SetPortalBase(QString::fromStdString(replica.baseUrl()));
    SyntheticPortalConfig config;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 31);
    config.contracts44 = contracts;
    config.contractsCapital = 0;
    config.contracts223 = 0;
    SyntheticPortal portal(replica, config);

    measureQueueMemory();
    for (int threads : {1, 4, 16})
        measureCrawl(replica, threads, 50);
    for (int threads : {1, 4, 16})
        measureCrawl(replica, threads, 1);
    return 0;
}
