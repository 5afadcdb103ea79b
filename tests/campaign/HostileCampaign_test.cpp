// A bounded run of the program against a hostile portal: a search that ignores its price
// filter, a page naming itself as the next, a card listed thousands of times, an amount of
// megabytes, a redirect to another host, a page sent one byte at a time, and a protocol of
// hundreds of blank pages, first stopped and then killed during its conversion.
#include "replica/HostilePortal.h"
#include "replica/SyntheticCardMarkup.h"
#include "tests/campaign/CampaignSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Fault = PortalReplica::Fault;

// The process ids of the converters the program runs now (its children named so).
std::vector<int> Converters(qint64 program) {
    std::vector<int> found;
    for (const QString& entry : QDir(u"/proc"_q).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_q + entry + u"/stat"_q);
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < 0) continue;
        const QByteArray name = line.mid(open + 1, close - open - 1);
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() < 2 || rest[1].toLongLong() != program) continue;
        if (name == "pdftoppm" || name == "tesseract") found.push_back(entry.toInt());
    }
    return found;
}

// Waits for the program's converters, reading its output meanwhile: a child whose pipe is
// never drained blocks on its next log line.
std::vector<int> WaitForConverters(QProcess& cli, QString& output, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until && cli.state() != QProcess::NotRunning) {
        if (const std::vector<int> found = Converters(cli.processId()); !found.empty())
            return found;
        cli.waitForReadyRead(20);
        output += QString::fromUtf8(cli.readAll());
    }
    return {};
}

// Gone, or a zombie left to the system's reaper.
bool GoneWithin(int pid, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray line = stat.readAll();
        if (line.mid(line.lastIndexOf(')') + 2, 1) == "Z") return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::string Query(const PortalReplica::LoggedRequest& request) {
    return request.path + "?" + request.query;
}

}  // namespace

TEST(HostileCampaign, RunStaysBoundedAndItsConvertersEndWithIt) {
    PortalReplica replica;
    replica.start();
    SyntheticPortal portal(replica, FebruaryPortal(7, 120, 10, 10, 1));
    HostilePortalConfig hostileConfig;
    hostileConfig.listedTimes = 5000;
    HostilePortal hostile(replica, portal, hostileConfig);

    ProgramFolder folder;
    folder.writeInns({u"7707083893"_q});
    CliRun run{folder.path(), replica.baseUrl()};
    run.threads = 2;
    run.extraArguments = {u"--request-time-limit-ms"_q, u"5000"_q};

    // Stopped (Ctrl+C) while the many-page protocol is converted: the converter ends with the
    // run, and nothing of the conversion stays in the program folder.
    auto cli = StartCli(run, folder.workDir());
    QString output;
    std::vector<int> converters = WaitForConverters(*cli, output, 90s);
    ASSERT_FALSE(converters.empty()) << output.right(3000).toStdString();
    ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(60000));
    EXPECT_EQ(cli->exitCode(), 130);
    for (const int pid : converters)
        EXPECT_TRUE(GoneWithin(pid, 10s)) << pid;
    EXPECT_TRUE(folder.leftovers().isEmpty()) << folder.leftovers().join(u' ').toStdString();

    // Killed outright during the conversion: its converters die with it.
    cli = StartCli(run, folder.workDir());
    converters = WaitForConverters(*cli, output, 90s);
    ASSERT_FALSE(converters.empty()) << output.right(3000).toStdString();
    cli->kill();
    cli->waitForFinished();
    for (const int pid : converters)
        EXPECT_TRUE(GoneWithin(pid, 10s)) << pid;

    // A run to the end, with the protocol now a real scan and the 223-FZ search trickled for
    // its first two requests: the leftovers of the killed run go at the start.
    QFile scan(TestSupport::dataPath(u"documents/protocol_scanned.pdf"_q));
    ASSERT_TRUE(scan.open(QIODevice::ReadOnly));
    replica.setDownload(SyntheticProtocolUid(hostile.manyPageProtocol()),
                        scan.readAll().toStdString());
    replica.setTrickleDelay(500ms);
    replica.queueFaults("/epz/contractfz223/search/results.html",
                        {Fault::TrickleBody, Fault::TrickleBody});
    replica.clearLog();
    // The card that redirects to another host is never read: the run ends as incomplete.
    ASSERT_EQ(RunCli(run, folder.workDir(), output, 300000), 3) << output.right(3000).toStdString();
    EXPECT_TRUE(output.contains(u": Итог работы: сбор данных завершён не полностью"_q));
    EXPECT_TRUE(folder.leftovers().isEmpty()) << folder.leftovers().join(u' ').toStdString();

    const auto requests = replica.requests();
    const std::string day = hostile.hostileDayText();
    int repeated = 0, selfLinked = 0, priceSplits = 0, trickled = 0, redirected = 0, offHost = 0;
    for (const auto& request : requests) {
        const std::string query = Query(request);
        repeated += query == hostile.repeatedCard().cardPath;
        redirected += query == hostile.redirectingCard().cardPath;
        offHost +=
            request.headers.count("host") && request.headers.at("host").rfind("localhost", 0) == 0;
        trickled += request.fault == Fault::TrickleBody;
        if (request.path != "/epz/contract/search/results.html") continue;
        priceSplits += request.query.find("contractPriceFrom=") != std::string::npos;
        selfLinked += request.query.find("contractDateFrom=" + day) != std::string::npos &&
                      request.query.find("contractDateTo=" + day) != std::string::npos &&
                      request.query.find("pageNumber=2") != std::string::npos;
    }
    std::printf("requests %zu: repeated card %d, page 2 of the day %d, price parts %d\n",
                requests.size(), repeated, selfLinked, priceSplits);
    EXPECT_LE(repeated, 1);
    EXPECT_EQ(selfLinked, 1);
    EXPECT_EQ(priceSplits, 10);
    EXPECT_EQ(output.count(u"Портал не применяет фильтр поиска"_q), 1);
    EXPECT_EQ(trickled, 2);
    EXPECT_EQ(output.count(u"ERROR_Operation timed out"_q), 2);
    EXPECT_LE(redirected, 1);
    EXPECT_EQ(offHost, 0);
    EXPECT_TRUE(
        output.contains(u"Перенаправление на другой сайт не выполнено: https://localhost:"_q));

    const auto stored = ReadStore(folder.path());
    const auto url = [&](const SyntheticContract& contract) {
        return replica.baseUrl() + contract.cardPath;
    };
    EXPECT_EQ(stored.count(url(hostile.redirectingCard())), 0u);
    ASSERT_EQ(stored.count(url(hostile.hugeAmountCard())), 1u);
    EXPECT_EQ(stored.at(url(hostile.hugeAmountCard())).subject,
              hostile.hugeAmountCard().expectedSubject);
    EXPECT_EQ(stored.at(url(hostile.hugeAmountCard())).amount, 0);  // not a number: NULL
    for (const SyntheticContract& contract : portal.contracts()) {
        if (&contract == &hostile.redirectingCard() || contract.offPortalLink) continue;
        const auto found = stored.find(url(contract));
        ASSERT_NE(found, stored.end()) << contract.cardPath;
        EXPECT_EQ(found->second.inns, contract.expectedInns) << contract.cardPath;
    }
    EXPECT_EQ(IntegrityCheck(folder.path()), u"ok"_q);
}
