#include "fetch/TScrapingThread.h"
#include "fetch/JobString.h"
#include "fetch/Rotation.h"
#include "replica/PortalReplica.h"
#include "tests/fetch/ProxyServer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <chrono>
#include <mutex>

using Fault = PortalReplica::Fault;

namespace {

// A clock whose sleeps pass at once, for the long pauses.
class InstantClock : public TickClock {
public:
    std::uint32_t ticks() const override { return TickClock::ticks() + m_skipped.load(); }
    void sleepMs(std::uint32_t ms) const override { m_skipped += ms; }
    std::uint32_t skipped() const { return m_skipped.load(); }

private:
    mutable std::atomic<std::uint32_t> m_skipped{0};
};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { replica.start(); }
    void TearDown() override {
        for (const QString& path : lockFiles)
            QFile::remove(path);
    }

    std::shared_ptr<FetchRun> makeRun(const TickClock& clock = TickClock::system()) {
        auto run = std::make_shared<FetchRun>(
            QStringLiteral("cf-worker-") + QUuid::createUuid().toString(QUuid::Id128), clock);
        lockFiles << run->requestMutex.filePath();
        run->programDir = programDir.path() + QLatin1Char('/');
        run->log = [this](const QString& line) {
            std::lock_guard lock(logMutex);
            log << line;
        };
        return run;
    }

    // Runs one job to its end on the worker's own thread, as the controller does.
    std::unique_ptr<TScrapingThread> runJob(const std::shared_ptr<FetchRun>& run,
                                            const QString& job, std::uint32_t interval = 0) {
        auto worker = std::make_unique<TScrapingThread>(run);
        worker->url = job;
        worker->RequestInterval = interval;
        run->lists.addRunning(worker.get());
        worker->Start();
        worker->WaitFor();
        return worker;
    }

    QString address(const std::string& pathAndQuery) const {
        return QString::fromStdString(replica.baseUrl() + pathAndQuery);
    }

    int logLinesContaining(const QString& text) {
        std::lock_guard lock(logMutex);
        return static_cast<int>(log.filter(text).size());
    }

    PortalReplica replica;
    QTemporaryDir programDir;
    std::mutex logMutex;
    QStringList log;
    QStringList lockFiles;
};

}  // namespace

TEST_F(WorkerTest, PageJobSendsTheWholeJobStringAsReferer) {
    auto run = makeRun();
    const QString card = u"https://zakupki.gov.ru/epz/contractfz223/card/contract-info.html?id=1"_q;
    const QString job = address("/echo?x=1") + u"|||"_q + card;
    auto worker = runJob(run, job);

    EXPECT_EQ(worker->result, PageKindOther);
    EXPECT_EQ(worker->url, address("/echo?x=1"));
    EXPECT_EQ(worker->canonical, card);
    EXPECT_EQ(worker->statusText, u"успешно"_q);
    EXPECT_TRUE(worker->html.contains(u"referer: "_q + job));
    EXPECT_TRUE(worker->html.contains(u"accept: text/html, */*"_q));
    EXPECT_EQ(replica.requests().size(), 1u);
    // The worker moved itself to the finished list.
    EXPECT_EQ(run->lists.runningCount(), 0u);
    EXPECT_EQ(run->lists.takeFinished(), worker.get());
    EXPECT_EQ(logLinesContaining(u": Запускаем "_q + worker->url), 1);
}

// A page that fails every time is asked for a bounded number of times, with growing pauses
// between the attempts (on the run's clock), and then given up with one line saying so.
TEST_F(WorkerTest, FailingPageIsRetriedSpacedAndThenGivenUp) {
    InstantClock clock;
    auto run = makeRun(clock);
    auto worker = runJob(run, address("/empty"));
    constexpr int kAttempts = TScrapingThread::kMaxFailedAttempts;
    EXPECT_EQ(worker->result, PageKindFailed);
    EXPECT_EQ(worker->statusText, u"ERROR_retry"_q);
    EXPECT_EQ(replica.requests().size(), std::size_t(kAttempts));
    EXPECT_EQ(logLinesContaining(u"Запускаем "_q), kAttempts);
    EXPECT_EQ(logLinesContaining(u"Ответ сайта для "_q + worker->url + u": ERROR_retry"_q),
              kAttempts);
    EXPECT_EQ(logLinesContaining(u"Страница не загружена за 5 попыток, следующий запуск "
                                 u"запросит её снова: "_q +
                                 worker->url),
              1);
    std::uint32_t pauses = 0;
    for (int failed = 1; failed < kAttempts; ++failed)
        pauses += RequestPacer::retryDelayMs(failed);
    EXPECT_EQ(clock.skipped(), pauses);
}

TEST_F(WorkerTest, NotFoundEndsTheJobAfterOneAttempt) {
    auto run = makeRun();
    auto worker = runJob(run, address("/status/404"));
    EXPECT_EQ(worker->result, PageKindFailed);
    EXPECT_TRUE(worker->statusText.startsWith(u"ERROR_"_q));
    EXPECT_TRUE(worker->statusText.contains(u"404"_q));
    EXPECT_EQ(replica.requests().size(), 1u);
}

TEST_F(WorkerTest, ForbiddenAndServerErrorsAreRetriedUntilSuccess) {
    replica.queueFaults("/plain", {Fault::Status403, Fault::Status500, Fault::CloseWithoutAnswer});
    InstantClock clock;
    auto run = makeRun(clock);
    auto worker = runJob(run, address("/plain"));
    EXPECT_EQ(worker->result, PageKindOther);
    EXPECT_EQ(worker->html.toStdString(), PortalReplica::sampleText());
    EXPECT_EQ(replica.requests().size(), 4u);
    EXPECT_EQ(logLinesContaining(u"403 Forbidden"_q), 1);
    EXPECT_EQ(logLinesContaining(u"500 Internal Server Error"_q), 1);
    EXPECT_EQ(logLinesContaining(u"Gracefully"_q), 1);
    // Each failure is followed by a longer pause before the next attempt.
    EXPECT_EQ(clock.skipped(), RequestPacer::retryDelayMs(1) + RequestPacer::retryDelayMs(2) +
                                   RequestPacer::retryDelayMs(3));
}

TEST_F(WorkerTest, TooManyRequestsPausesDirectRequestsThirtySeconds) {
    replica.queueFaults("/plain", {Fault::Status429});
    InstantClock clock;
    auto run = makeRun(clock);
    auto worker = runJob(run, address("/plain"));
    EXPECT_EQ(worker->result, PageKindOther);
    EXPECT_EQ(logLinesContaining(u": Делаем паузу 30 секунд"_q), 1);
    EXPECT_EQ(replica.requests().size(), 2u);
    // The pause ran on the worker's clock: it skipped ahead by the 30 s, less
    // the real milliseconds that passed meanwhile.
    EXPECT_GE(clock.ticks() - TickClock::system().ticks(),
              RequestPacer::kTooManyRequestsPauseMs - 1000);
}

TEST_F(WorkerTest, DirectRequestsKeepTheirInterval) {
    auto run = makeRun();
    runJob(run, address("/plain"), 1000);
    runJob(run, address("/plain"), 1000);
    const auto log = replica.requests();
    ASSERT_EQ(log.size(), 2u);
    // The client marks the end after the server finished, so the gap seen by
    // the server is at least the interval, less scheduling noise.
    EXPECT_GE(log[1].started - log[0].finished, std::chrono::milliseconds(950));
}

TEST_F(WorkerTest, StopDuringThePacingWaitDropsTheJob) {
    auto run = makeRun();
    runJob(run, address("/plain"), 60000);
    auto worker = std::make_unique<TScrapingThread>(run);
    worker->url = address("/plain");
    worker->RequestInterval = 60000;
    run->lists.addRunning(worker.get());
    const auto started = std::chrono::steady_clock::now();
    worker->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    worker->Terminate();
    worker->WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(worker->result, PageKindNothing);
    EXPECT_TRUE(worker->html.isEmpty());
    EXPECT_EQ(run->lists.finishedCount(), 2u);
}

TEST_F(WorkerTest, StopDuringASlowBodyEndsTheRequest) {
    replica.setSlowBodyDelay(std::chrono::milliseconds(200));
    auto run = makeRun();
    auto worker = std::make_unique<TScrapingThread>(run);
    worker->url = address("/slow?bytes=100000");
    run->lists.addRunning(worker.get());
    const auto started = std::chrono::steady_clock::now();
    worker->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    worker->Terminate();
    worker->WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(worker->result, PageKindNothing);
}

TEST_F(WorkerTest, DownloadsAnswerByContentTypeAndKeepNoFile) {
    auto run = makeRun();
    auto text = runJob(run, address("/download/priz/file.html?uid=A1&type=text"));
    EXPECT_EQ(text->result, PageKindDownload);
    EXPECT_EQ(text->statusText, u"Файл не найден"_q);

    auto pdf = runJob(run, address("/download/priz/file.html?cd=quoted&uid=A1"));
    EXPECT_EQ(pdf->result, PageKindDownload);
    EXPECT_EQ(pdf->statusText, u"успешно"_q);
    // The replica's own small PDF names one supplier INN in its text layer.
    EXPECT_EQ(pdf->html, u"7707083893"_q);

    auto upper = runJob(run, address("/download/priz/file.html?cd=upper&uid=A1"));
    EXPECT_EQ(upper->statusText, u"ошибка: неподдерживаемый формат PDF"_q);
    auto noDot = runJob(run, address("/download/priz/file.html?cd=nodot&uid=A1"));
    EXPECT_EQ(noDot->statusText, u"ошибка: нет расширения файла"_q);
    auto other = runJob(run, address("/download/priz/file.html?type=other&uid=A1"));
    EXPECT_EQ(other->result, PageKindDownload);
    EXPECT_TRUE(other->statusText.isEmpty());

    EXPECT_EQ(run->runningDownloads.load(), 0);
    EXPECT_TRUE(QDir(programDir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(WorkerTest, HostileDownloadNameNeverLeavesTheProgramFolder) {
    QTemporaryDir outer;
    QDir(outer.path()).mkdir(u"prog"_q);
    auto run = makeRun();
    run->programDir = outer.path() + u"/prog/"_q;
    auto worker = runJob(run, address("/download/priz/file.html?cd=quoted&uid=../../escaped"));
    EXPECT_EQ(worker->statusText, u"успешно"_q);
    EXPECT_EQ(QDir(outer.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{u"prog"_q});
    EXPECT_TRUE(QDir(outer.path() + u"/prog"_q).isEmpty());
}

TEST_F(WorkerTest, TwoCopiesOfTheProgramNeverRequestAtOnce) {
    replica.setSlowBodyDelay(std::chrono::milliseconds(5));
    const QString mutexName = u"cf-probe-"_q + QUuid::createUuid().toString(QUuid::Id128);
    const QStringList args{mutexName, address("/slow?bytes=400"), u"6"_q};
    QProcess first, second;
    first.start(QStringLiteral(FETCH_PROBE_PATH), args);
    second.start(QStringLiteral(FETCH_PROBE_PATH), args);
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode(), 0);

    const auto log = replica.requests();
    ASSERT_EQ(log.size(), 12u);
    for (std::size_t i = 1; i < log.size(); ++i) {
        EXPECT_GE(log[i].started, log[i - 1].finished)
            << "requests " << i - 1 << " and " << i << " overlap";
    }
}

TEST_F(WorkerTest, FailingProxyEntryMovesToTheNextOne) {
    ProxyServer proxyServer(u"crawler"_q, u"secret"_q);
    const QString host = u"127.0.0.1:"_q + QString::number(proxyServer.port());
    const QString bad = u"http://crawler:wrong@"_q + host;
    const QString good = u"http://crawler:secret@"_q + host;
    ResetRotationForTesting();
    auto run = makeRun();
    run->proxies = {bad, good};

    auto worker = std::make_unique<TScrapingThread>(run);
    worker->url = address("/plain");
    worker->UseProxy = true;
    worker->proxy = bad;
    run->lists.addRunning(worker.get());
    worker->Start();
    worker->WaitFor();

    EXPECT_EQ(worker->result, PageKindOther);
    EXPECT_EQ(worker->proxy, good);
    EXPECT_EQ(replica.requests().size(), 1u);  // the refused attempt never reached the portal
    // Every line of a proxied worker names the proxy's host after the time stamp.
    EXPECT_EQ(logLinesContaining(u" ("_q + host + u"): Запускаем "_q), 2);
    EXPECT_EQ(logLinesContaining(u"ERROR_retry"_q), 1);
}

// A page sent one byte at a time never runs into the read time-out; the page limit ends each
// such attempt, and the request turn passes on: the other worker's request goes out meanwhile.
// A second copy of the program waiting for the machine-wide turn says once why it waits.
TEST_F(WorkerTest, TrickledPageFailsAtThePageLimitWhileASecondCopyWaits) {
    replica.setTrickleDelay(std::chrono::milliseconds(500));
    replica.queueFaults("/plain", {Fault::TrickleBody, Fault::TrickleBody});
    InstantClock clock;
    auto run = makeRun(clock);
    run->pageTimeLimitMs = 1500;
    auto secondCopy =
        std::make_shared<FetchRun>(QFileInfo(run->requestMutex.filePath()).completeBaseName());
    QStringList secondLog;
    std::mutex secondMutex;
    secondCopy->log = [&](const QString& line) {
        std::lock_guard lock(secondMutex);
        secondLog << line;
    };
    secondCopy->pacer.setOtherCopyNoticeMs(300);

    auto slow = std::make_unique<TScrapingThread>(run);
    slow->url = address("/plain");
    auto other = std::make_unique<TScrapingThread>(run);
    other->url = address("/echo");
    std::vector<std::unique_ptr<TScrapingThread>> waiting;
    for (int i = 0; i < 2; ++i) {
        waiting.push_back(std::make_unique<TScrapingThread>(secondCopy));
        waiting.back()->url = address("/echo?copy=2");
        secondCopy->lists.addRunning(waiting.back().get());
    }
    run->lists.addRunning(slow.get());
    run->lists.addRunning(other.get());
    slow->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the trickle holds the turn
    other->Start();
    for (auto& worker : waiting)
        worker->Start();
    slow->WaitFor();
    other->WaitFor();
    for (auto& worker : waiting) {
        worker->WaitFor();
        EXPECT_EQ(worker->result, PageKindOther);
    }
    EXPECT_EQ(slow->result, PageKindOther);
    EXPECT_EQ(other->result, PageKindOther);
    EXPECT_EQ(logLinesContaining(u"ERROR_Operation timed out"_q), 2);
    int plain = 0;
    for (const auto& request : replica.requests())
        plain += request.path == "/plain";
    EXPECT_EQ(plain, 3);
    // Waiting for the first copy's turn is said once, by the copy that waits, not by the
    // first copy's own workers, which wait for each other.
    EXPECT_EQ(secondLog
                  .filter(u"другая копия программы на этом компьютере держит общую "
                          u"блокировку запросов"_q)
                  .size(),
              1);
    EXPECT_EQ(logLinesContaining(u"другая копия программы"_q), 0);
}

TEST_F(WorkerTest, RedirectOffThePortalEndsTheJobNamingTheTarget) {
    auto run = makeRun();
    run->portalBase = QString::fromStdString(replica.baseUrl());
    replica.queueFaults("/plain", {Fault::OffHostRedirect});
    auto worker = runJob(run, address("/plain?n=1"));
    EXPECT_EQ(worker->result, PageKindFailed);
    const QString target = QStringLiteral("https://localhost:%1/plain?n=1").arg(replica.port());
    EXPECT_EQ(worker->statusText,
              u"ERROR_Перенаправление на другой сайт не выполнено: "_q + target);
    EXPECT_EQ(
        logLinesContaining(u"Ответ сайта для "_q + worker->url + u": "_q + worker->statusText), 1);
    EXPECT_EQ(replica.requests().size(), 1u);
}
