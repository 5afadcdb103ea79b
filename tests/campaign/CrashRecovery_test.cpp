// The program killed with SIGKILL in the middle of a run, then run again over the same folder.
#include "tests/campaign/CampaignSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include "platform/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <random>
#include <set>

namespace {

SyntheticPortalConfig CrashPortal() {
    SyntheticPortalConfig config;
    config.seed = 5;
    config.firstDay = QDate(2024, 2, 1);
    config.lastDay = QDate(2024, 2, 29);
    config.contracts44 = 400;
    config.contractsCapital = 80;
    config.contracts223 = 200;
    config.ocrContracts = 0;
    return config;
}

int CardRequests(const PortalReplica& replica) {
    int cards = 0;
    for (const auto& request : replica.requests())
        cards += request.path.find("/card/") != std::string::npos ||
                 request.path.find("contractCard") != std::string::npos;
    return cards;
}

// The (INN, contract address) pair of every data line of the .tab files in the folder.
QStringList ReportPairs(const QString& folder) {
    QStringList pairs;
    for (const QString& name : QDir(folder).entryList({u"*.tab"_q}, QDir::Files)) {
        QFile file(folder + u"/"_q + name);
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u"\r\n"_q)) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() < 2 || !fields[1].startsWith(u"\"http"_q)) continue;
            pairs << fields[0].mid(1).chopped(1) + u' ' + fields[1].mid(1).chopped(1);
        }
    }
    return pairs;
}

}  // namespace

TEST(CrashRecovery, KilledRunLosesNothingAndTheNextRunCompletesWithoutRefetching) {
    PortalReplica replica;
    replica.start();
    SyntheticPortal portal(replica, CrashPortal());
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
        EXPECT_EQ(got.subject, contract.expectedSubject);
        EXPECT_DOUBLE_EQ(got.amount, contract.expectedAmount);
        EXPECT_EQ(got.conclusion, contract.expectedConclusion);
        EXPECT_EQ(got.execution, contract.expectedExecution);
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
    std::set<std::string> expected;
    for (const SyntheticContract& contract : portal.contracts()) {
        for (const QString& inn : inns) {
            const auto& own = contract.expectedInns;
            if (std::find(own.begin(), own.end(), inn.toStdString()) != own.end())
                expected.insert(replica.baseUrl() + contract.cardPath);
        }
    }
    std::set<std::string> reported;
    for (const QString& pair : ReportPairs(folder.path())) {
        const std::string url = pair.section(u' ', 1).toStdString();
        EXPECT_TRUE(reported.insert(url).second) << "twice: " << pair.toStdString();
    }
    EXPECT_EQ(reported, expected);
    EXPECT_TRUE(folder.strayEntries().isEmpty());
}

namespace {

const QString kStageStart = u"Начинаем поиск заданных ИНН в базе"_q;

SyntheticPortalConfig SmallPortal() {
    SyntheticPortalConfig config = CrashPortal();
    config.contracts44 = 30;
    config.contractsCapital = 5;
    config.contracts223 = 10;
    return config;
}

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
    SyntheticPortal portal(replica, SmallPortal());
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
    std::set<QString> expected;
    for (const auto& [inn, urls] : bulk)
        expected.insert(urls.begin(), urls.end());
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
        std::map<QString, int> reported;
        for (const ReportedLine& line : ReportedLines(folder.path())) {
            EXPECT_EQ(line.fields, 6) << line.file.toStdString();
            ++reported[line.url];
        }
        std::set<QString> seen;
        for (const auto& [url, times] : reported) {
            EXPECT_EQ(times, 1) << url.toStdString();
            seen.insert(url);
        }
        EXPECT_EQ(seen, expected) << "reported " << seen.size() << " of " << expected.size();
        const QStringList shown =
            SplitLines(ReadTextFile(folder.path() + u"/shown.txt"_q).value_or(DecodedText{}).text);
        EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()), expected);
        EXPECT_EQ(WorkbookProblems(folder.path()), QStringList());
        EXPECT_EQ(folder.leftovers(), QStringList());
        if (HasFailure()) break;
    }
}
