// Runs fetch workers one after another against one address, directly, the
// way a copy of the program does; used to check that two copies never
// request at the same time.
#include "fetch/TScrapingThread.h"

#include <QCoreApplication>
#include <QTextStream>
#include <memory>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        QTextStream(stderr) << "usage: fetch_probe <mutex name> <address> <count>\n";
        return 2;
    }
    auto run = std::make_shared<FetchRun>(args[1]);
    int failures = 0;
    for (int i = 0; i < args[3].toInt(); ++i) {
        TScrapingThread worker(run);
        worker.url = args[2];
        run->lists.addRunning(&worker);
        worker.Start();
        worker.WaitFor();
        run->lists.takeFinished();
        if (worker.result <= 0) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
