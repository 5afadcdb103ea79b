// The program killed with SIGKILL in the middle of a run, then run again over the same folder.
#include "tests/campaign/CampaignSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <random>
#include <set>

namespace {

int CardRequests(const PortalReplica& replica) {
    int cards = 0;
    for (const auto& request : replica.requests())
        cards += request.path.find("/card/") != std::string::npos ||
                 request.path.find("contractCard") != std::string::npos;
    return cards;
}

}  // namespace

TEST(CrashRecovery, KilledRunLosesNothingAndTheNextRunCompletesWithoutRefetching) {
    PortalReplica replica;
    replica.start();
    SyntheticPortal portal(replica, FebruaryPortal(5, 400, 80, 200));
    ProgramFolder folder;
    // INNs of many contracts: the protocols' suppliers and a few 44-FZ ones.
    QStringList inns = {u"7701234567"_q, u"500100732259"_q, u"7705123456"_q};
    for (const SyntheticContract& contract : portal.contracts()) {
        if (contract.route == SyntheticRoute::Card && inns.size() < 8)
            inns << QString::fromStdString(contract.inns.front());
    }
    folder.writeInns(inns);
    CliRun run{folder.path(), replica.baseUrl()};

    auto cli = StartCli(run, folder.workDir());
    // Waiting on the child also drains its output, which would otherwise fill the pipe and
    // hold the run up.
    for (int i = 0; i < 1200 && CardRequests(replica) < 300; ++i)
        cli->waitForFinished(50);
    ASSERT_GE(CardRequests(replica), 300) << QString::fromUtf8(cli->readAll()).toStdString();
    cli->kill();  // SIGKILL: no handler, no end-of-run steps
    ASSERT_TRUE(cli->waitForFinished(10000));
    ASSERT_EQ(cli->exitStatus(), QProcess::CrashExit);

    ASSERT_EQ(IntegrityCheck(folder.path()), u"ok"_q);
    const auto atKill = ReadStore(folder.path());
    ASSERT_GT(atKill.size(), 100u);
    ASSERT_LT(atKill.size(), portal.contracts().size()) << "killed in the middle";
    std::map<std::string, const SyntheticContract*> byUrl;
    for (const SyntheticContract& contract : portal.contracts())
        byUrl[replica.baseUrl() + contract.cardPath] = &contract;
    int pending = 0;
    for (const auto& [url, got] : atKill) {
        SCOPED_TRACE(url);
        ASSERT_EQ(byUrl.count(url), 1u);
        const SyntheticContract& contract = *byUrl[url];
        // Nothing half-written: a stored contract has all its fields, and its INNs are all
        // there, or (a 223-FZ card whose follow-up was still to come) none and marked pending.
        ExpectStoredFields(got, contract);
        if (got.inns != contract.expectedInns) {
            EXPECT_TRUE(got.inns.empty());
            EXPECT_TRUE(got.pending);
        }
        pending += got.pending;
    }

    std::printf("stored at the kill: %zu of %zu, waiting for follow-ups: %d\n", atKill.size(),
                portal.contracts().size(), pending);
    replica.clearLog();
    QString output;
    ASSERT_EQ(RunCli(run, folder.workDir(), output), 0) << output.right(3000).toStdString();
    const auto completed = ReadStore(folder.path());
    EXPECT_EQ(completed.size(), portal.contracts().size());
    for (const SyntheticContract& contract : portal.contracts()) {
        const std::string url = replica.baseUrl() + contract.cardPath;
        const auto found = completed.find(url);
        ASSERT_NE(found, completed.end()) << url;
        EXPECT_EQ(found->second.inns, contract.expectedInns) << url;
        EXPECT_FALSE(found->second.pending) << url;
    }
    // Only cards not stored before the kill, or still waiting for their follow-ups, are
    // fetched again.
    int refetched = 0;
    for (const auto& request : replica.requests()) {
        const auto before = atKill.find(replica.baseUrl() + request.path + "?" + request.query);
        if (before == atKill.end()) continue;
        EXPECT_TRUE(before->second.pending) << request.path << "?" << request.query;
        ++refetched;
    }
    EXPECT_EQ(refetched, pending);
    EXPECT_EQ(output.count(u": URL обработан ранее: "_q),
              static_cast<int>(atKill.size()) - pending);

    // The report lists every contract of the listed INNs, each link once (a link reported
    // under one INN is not repeated under another).
    std::set<std::string> reported;
    for (const ReportedLine& line : ReportedLines(folder.path())) {
        EXPECT_TRUE(reported.insert(line.url.toStdString()).second)
            << "twice: " << line.inn.toStdString() << ' ' << line.url.toStdString();
    }
    EXPECT_EQ(reported, ContractsOf(portal, inns));
    EXPECT_TRUE(folder.strayEntries().isEmpty());
}

namespace {

const QString kStageStart = u"Начинаем поиск заданных ИНН в базе"_q;

void CopyDatabase(const QString& from, const QString& to) {
    QFile::remove(to + u"/db.s3db"_q);
    ASSERT_TRUE(QFile::copy(from + u"/db.s3db"_q, to + u"/db.s3db"_q));
}

}  // namespace

// Killed at random moments of the report stage and of the workbook step, then run again: across
// the two runs every contract of the listed INNs is reported exactly once, every report file has
// a whole workbook, and nothing of the killed run is left behind.
TEST(CrashRecovery, KillsDuringTheReportAndTheWorkbooksNeitherDoubleNorLoseAContract) {
    PortalReplica replica;
    replica.start();
    SyntheticPortal portal(replica, FebruaryPortal(5, 30, 5, 10));
    const QStringList inns = {u"7800000001"_q, u"7800000002"_q, u"7800000003"_q, u"7800000004"_q};
    const QStringList innList = {inns[0], u"Первая\t"_q + inns[1], u"Вторая\t"_q + inns[2],
                                 u"Первая\tметка\t"_q + inns[3]};

    // A folder whose database holds the portal and many contracts of the listed INNs; its
    // uninterrupted run tells how long the report stage and the workbooks take.
    ProgramFolder source;
    const auto bulk = StoreBulkContracts(source.path(), inns, 3000);
    source.writeInns(innList);
    auto calibration = StartCli({source.path(), replica.baseUrl()}, source.workDir());
    QString output;
    ASSERT_TRUE(WaitForOutput(*calibration, kStageStart, output));
    QElapsedTimer stage;
    stage.start();
    ASSERT_TRUE(calibration->waitForFinished(300000));
    const qint64 stageMs = stage.elapsed();
    ASSERT_EQ(calibration->exitCode(), 0);
    const std::set<QString> expected = BulkUrls(bulk);
    std::printf("report stage and workbooks of %zu lines: %lld ms\n", expected.size(),
                static_cast<long long>(stageMs));

    std::mt19937 random(20240301);
    // Every other kill near the end, where the workbooks are written.
    std::uniform_int_distribution<qint64> anywhere(0, stageMs);
    std::uniform_int_distribution<qint64> late(stageMs * 8 / 10, stageMs + stageMs / 20);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        ProgramFolder folder;
        CopyDatabase(source.path(), folder.path());
        folder.writeInns(innList);
        const CliRun run{folder.path(), replica.baseUrl()};
        auto cli = StartCli(run, folder.workDir());
        QString killed;
        ASSERT_TRUE(WaitForOutput(*cli, kStageStart, killed));
        const qint64 delay = trial % 2 ? late(random) : anywhere(random);
        cli->waitForFinished(static_cast<int>(std::max<qint64>(1, delay)));
        const bool ended = cli->state() == QProcess::NotRunning;
        cli->kill();
        cli->waitForFinished(10000);
        killed += QString::fromUtf8(cli->readAll());
        QDirIterator books(folder.path(), {u"*.xlsx"_q, u"*.part"_q}, QDir::Files,
                           QDirIterator::Subdirectories);
        int workbooks = 0;
        for (; books.hasNext(); books.next())
            ++workbooks;
        std::printf("trial %d: killed %lld ms into the stage%s, %zu lines, %d workbook files\n",
                    trial, static_cast<long long>(delay), ended ? " (after its end)" : "",
                    ReportedLines(folder.path()).size(), workbooks);

        QString again;
        ASSERT_EQ(RunCli(run, folder.workDir(), again), 0) << again.right(2000).toStdString();
        for (const ReportedLine& line : ReportedLines(folder.path()))
            EXPECT_EQ(line.fields, 6) << line.file.toStdString();
        ExpectReportedOnce(folder.path(), expected);
        EXPECT_EQ(folder.leftovers(), QStringList());
        if (HasFailure()) break;
    }
}
