#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <utility>

// A whole run of the console front end ("contract-finder-cli run", a child process) over a
// program folder against the portal replica, as the crawl tests start it.
struct CliCrawlRun {
    CliCrawlRun(QString folderPath, std::string portalBase, QString fromDay, QString toDay)
        : folder(std::move(folderPath)),
          portal(std::move(portalBase)),
          from(std::move(fromDay)),
          to(std::move(toDay)) {}

    QString folder;
    std::string portal;  // the replica's base address
    QString from, to;    // the searched days, "dd.mm.yyyy"
    int threads = 0;     // 0: as settings.ini says
    int loopSleepMs = 2;
    QStringList extraArguments;  // after the usual ones
    int timeoutMs = 300000;
    bool withErrors = false;  // the output ends with what the child wrote to its standard error
};

// Runs it to its end; gives the exit code, or -1 (output untouched) when it did not end within
// the time-out. The output is what the child wrote to its standard output.
int RunCliCrawl(const CliCrawlRun& run, QString& output);

// Writes the folder's INNs.txt, each line ending in CR LF; false when it cannot be written.
bool WriteInnList(const QString& folder, const QStringList& lines);
