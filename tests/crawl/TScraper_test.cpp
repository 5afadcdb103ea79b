#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "fetch/TScrapingThread.h"
#include "replica/PortalReplica.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "tests/crawl/RecordingWindow.h"
#include "tests/fetch/HangingProxy.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QUuid>
#include <atomic>
#include <system_error>

namespace {

const std::string kSearch44 = "/epz/contract/search/results.html";
const std::string kCardPath = "/epz/contract/contractCard/common-info.html";

// A one-page search result listing the given card numbers, each link's query ending in `more`.
std::string resultPage(const std::vector<int>& cards, const std::string& more = "") {
    std::string page = "<div class=\"search-results__total\">\n    " +
                       std::to_string(cards.size()) + " записей\n</div>\n";
    for (int number : cards) {
        page +=
            "<div class=\"search-registry-entry-block box-shadow-search-input\">\n"
            "  <div class=\"registry-entry__header-mid__number\">\n"
            "    <a href=\"" +
            kCardPath + "?reestrNumber=" + std::to_string(number) + more +
            "\" target=\"_blank\">№ " + std::to_string(number) + "</a>\n  </div>\n</div>\n";
    }
    return page;
}

// A clock whose sleeps pass at once: retry delays and pauses of a run cost no real time.
class InstantClock : public TickClock {
public:
    std::uint32_t ticks() const override { return TickClock::ticks() + m_skipped.load(); }
    void sleepMs(std::uint32_t ms) const override { m_skipped += ms; }

private:
    mutable std::atomic<std::uint32_t> m_skipped{0};
};

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        SetPortalBase(QString::fromStdString(replica.baseUrl()));
        replica.setPage("/epz/contractfz223/search/results.html",
                        "<p>Поиск не дал результатов</p>");
        replica.setPage("/epz/capitalrepairs/search/results.html",
                        "<p>Поиск не дал результатов</p>");
        replica.setPage(kSearch44, resultPage({101, 102}));
        replica.setPage(kCardPath, "<html>card</html>");
        programDir = dir.path() + u"/"_q;
        db = TSQLiteDatabase::Create(programDir + u"db.s3db"_q);
        CreateSchema(*db);
        control.setResumeDelayMs(200);
        control.onRunFinished = [this](const QString& r) { result = r; };
    }

    void TearDown() override {
        control.WaitForRunEnd(30000);
        SetPortalBase(u"https://zakupki.gov.ru"_q);
        QFile::remove(QDir::temp().filePath(mutexName.section(u'\\', -1) + u".lock"_q));
    }

    RunParameters parameters() {
        RunParameters p;
        p.db = db.get();
        p.programDir = programDir;
        p.publishDateFrom = QDate(2024, 1, 1);
        p.publishDateTo = QDate(2024, 1, 2);
        p.requestMutexName = mutexName;
        p.loopSleepMs = 5;
        // Cards are stored by address only, as a card handler would.
        p.handlers.card44 = [this](HandlerContext& context, const FinishedJob& job) {
            ++cardsHandled;
            context.store.storeContract(job.url, u"предмет"_q, u""_q, u""_q, u""_q);
        };
        return p;
    }

    bool runToEnd(RunParameters p, int timeoutMs = 30000) {
        if (control.Start(std::move(p)) != RunControl::StartOutcome::Started) return false;
        return control.WaitForRunEnd(timeoutMs);
    }

    // Starts a run and returns once its opening line shows, so that clicks
    // made afterwards come after the run's own start, as a user's do.
    void startAndWaitForOpening(RunParameters p) {
        ASSERT_EQ(control.Start(std::move(p)), RunControl::StartOutcome::Started);
        for (int i = 0; i < 500 && window.find(u": Начинаем работу..."_q) < 0; ++i) {
            control.WaitForRunEnd(10);
        }
        ASSERT_GE(window.find(u": Начинаем работу..."_q), 0);
    }

    int cardRequests() const {
        int n = 0;
        for (const auto& request : replica.requests())
            n += request.path == kCardPath;
        return n;
    }

    PortalReplica replica;
    QTemporaryDir dir;
    QString programDir;
    QString mutexName = u"cf-controller-"_q + QUuid::createUuid().toString(QUuid::Id128);
    std::unique_ptr<TSQLiteDatabase> db;
    InstantClock instantClock;
    RecordingWindow window;
    RunControl control{window};
    QString result;
    std::atomic<int> cardsHandled{0};
};

}  // namespace

TEST_F(ControllerTest, DrainedRunWritesItsLinesInOrderAndItsLogFile) {
    ASSERT_TRUE(runToEnd(parameters()));
    EXPECT_EQ(result, u"ok"_q);
    EXPECT_EQ(cardsHandled.load(), 2);

    int at = window.find(u": Начинаем работу по заданному списку"_q);
    EXPECT_EQ(at, 0);
    for (const QString& text :
         {u": Начинаем работу..."_q, u"\r\nНашлось 2 записей"_q, u": Сбор данных завершен"_q,
          u": Работа завершена, лог записан в "_q}) {
        const int next = window.find(text, at);
        EXPECT_GT(next, at) << text.toStdString();
        at = next;
    }
    EXPECT_EQ(window.progressMaximum, 3 + 2);
    EXPECT_EQ(window.progressPosition, 0);
    EXPECT_EQ(window.counterText, u"Найдено контрактов: 2"_q);
    EXPECT_TRUE(window.controlsEnabled);

    const QStringList logs = QDir(programDir).entryList({u"log*.txt"_q});
    ASSERT_EQ(logs.size(), 1);
    QFile logFile(programDir + logs.first());
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QByteArray saved = logFile.readAll();
    // The whole log as the window shows it, the closing line included.
    EXPECT_EQ(saved, "\xEF\xBB\xBF" + (window.lines.join(u"\r\n"_q) + u"\r\n"_q).toUtf8());
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(saved.contains(u"Сбор данных завершен\r\n"_q.toUtf8()));

    // The run's account ends the log before the closing line, and reaches the window.
    const int summary = window.find(u": Итог работы: сбор данных завершён"_q);
    EXPECT_GT(summary, window.find(u": Сбор данных завершен"_q));
    EXPECT_GT(window.find(u": Работа завершена, лог записан в "_q), summary);
    EXPECT_GT(window.find(u": 44-ФЗ: страниц поиска 1, карточек прочитано 2, сохранено 2,"_q),
              summary);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Done);
    EXPECT_EQ(window.summary->registries[0].cardsStored, 2);
    EXPECT_EQ(window.summary->registries[1].searchesRead, 1);  // 223-FZ: one empty search
    EXPECT_EQ(window.summary->registries[2].searchesRead, 1);
    EXPECT_EQ(window.summary->registries[1].cardsRead, 0);
    EXPECT_EQ(window.summary->programDir, programDir);
}

// Cards that all lack their expected part: one warning about the portal's layout, counted in the
// summary as pages lacking a part.
TEST_F(ControllerTest, CardsLackingTheirPartInARowGiveOneLayoutWarning) {
    std::vector<int> cards(45);
    for (int i = 0; i < 45; ++i)
        cards[static_cast<std::size_t>(i)] = 200 + i;
    replica.setPage(kSearch44, resultPage(cards));
    RunParameters p = parameters();
    p.handlers.card44 = [](HandlerContext& context, const FinishedJob& job) {
        context.addLogLine(u"Ошибка? Нет информации о поставщиках "_q + job.url);
        context.store.storeContract(job.url, u"s"_q, u""_q, u""_q, u""_q);
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(window.count(u"похоже, портал изменил разметку карточек контрактов 44-ФЗ"_q), 1);
    EXPECT_EQ(window.count(u"contract-finder-cli inspect --url "_q), 1);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->registries[0].pagesLackingParts, 45);
    EXPECT_EQ(window.summary->registries[0].cardsStored, 45);
}

// Links are attribute values: "&amp;" in them is "&". A card an older version stored under the
// written spelling is still recognised as stored; a new one is fetched under the decoded one.
TEST_F(ControllerTest, AmpersandReferencesInLinksAreDecodedAndOldSpellingsStayStored) {
    replica.setPage(kSearch44, resultPage({101, 102}, "&amp;part=1"));
    const QString base = QString::fromStdString(replica.baseUrl() + kCardPath);
    StoreContract(*db, base + u"?reestrNumber=101&amp;part=1"_q, u"s"_q, u""_q, u""_q, u""_q);
    ASSERT_TRUE(runToEnd(parameters()));
    std::vector<std::string> queries;
    for (const auto& request : replica.requests()) {
        if (request.path == kCardPath) queries.push_back(request.query);
    }
    EXPECT_EQ(queries, std::vector<std::string>{"reestrNumber=102&part=1"});
    EXPECT_EQ(window.count(u": URL обработан ранее: "_q + base + u"?reestrNumber=101&part=1"_q), 1);
    EXPECT_TRUE(IsUrlStored(*db, base + u"?reestrNumber=102&part=1"_q));
    EXPECT_EQ(db->GetTableValue(u"SELECT count(*) FROM urls"_q), 2);
}

TEST_F(ControllerTest, TheLogFileHoldsEachLineAsSoonAsItIsShown) {
    RunParameters p = parameters();
    int onDisk = 0;
    p.handlers.card44 = [&](HandlerContext& context, const FinishedJob& job) {
        // The job's own line was shown just before its handler runs.
        const QStringList logs = QDir(programDir).entryList({u"log*.txt"_q});
        QFile file(programDir + logs.value(0));
        if (file.open(QIODevice::ReadOnly) &&
            file.readAll().endsWith((job.url + u": успешно\r\n"_q).toUtf8()))
            ++onDisk;
        context.store.storeContract(job.url, u"s"_q, u""_q, u""_q, u""_q);
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(onDisk, 2);
}

TEST_F(ControllerTest, AFullDiskIsNamedOnceAndEveryFailurePauses) {
    RunParameters p = parameters();
    int failures = 0;
    p.handlers.card44 = [&failures](HandlerContext& context, const FinishedJob& job) {
        if (++failures <= 2) throw ESQLiteException(u"database or disk is full"_q, kSqliteFull);
        context.store.storeContract(job.url, u"s"_q, u""_q, u""_q, u""_q);
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(result, u"ok"_q);
    EXPECT_EQ(window.count(u": Диск заполнен: база данных "_q + programDir + u"db.s3db"_q), 1);
    EXPECT_EQ(window.count(u": Включаем паузу на 30 секунд"_q), 2);
}

TEST_F(ControllerTest, SecondRunDoesNotFetchStoredCards) {
    ASSERT_TRUE(runToEnd(parameters()));
    EXPECT_EQ(cardRequests(), 2);
    replica.clearLog();
    ASSERT_TRUE(runToEnd(parameters()));
    EXPECT_EQ(cardRequests(), 0);
    EXPECT_EQ(window.count(u": URL обработан ранее: "_q), 2);
    EXPECT_EQ(window.counterText, u"Найдено контрактов: 0"_q);
}

// A card whose follow-up page failed keeps its pending mark and is opened again by the next
// run; once the follow-up is handled the card counts as done.
TEST_F(ControllerTest, CardWhoseFollowUpNeverEndedIsOpenedAgainByTheNextRun) {
    const std::string supplierPath = "/epz/contractfz223/card/supplier-info.html";
    replica.setPage(kSearch44, resultPage({101}));
    std::atomic<int> followUpsHandled{0};
    const auto withFollowUp = [&] {
        RunParameters p = parameters();
        p.handlers.card44 = [&](HandlerContext& context, const FinishedJob& job) {
            ++cardsHandled;
            context.queue.addHead(QString::fromStdString(replica.baseUrl() + supplierPath) +
                                  u"?id=1|||"_q + job.url);
            ++context.followUpsQueued;
            context.store.markFollowUpPending(job.url);
            context.store.storeContract(job.url, u"предмет"_q, u""_q, u""_q, u""_q);
        };
        p.handlers.supplierList223 = [&](HandlerContext& context, const FinishedJob& job) {
            ++followUpsHandled;
            context.store.linkInnsToUrl(job.canonical, {u"7701234567"_q});
        };
        return p;
    };
    const QString card =
        QString::fromStdString(replica.baseUrl() + kCardPath) + u"?reestrNumber=101"_q;

    ASSERT_TRUE(runToEnd(withFollowUp()));  // the supplier page is missing: 404
    EXPECT_EQ(followUpsHandled.load(), 0);
    EXPECT_TRUE(IsUrlStored(*db, card));
    EXPECT_TRUE(IsFollowUpPending(*db, card));

    replica.setPage(supplierPath, "<html>suppliers</html>");
    replica.clearLog();
    ASSERT_TRUE(runToEnd(withFollowUp()));
    EXPECT_EQ(cardRequests(), 1) << "opened again";
    EXPECT_EQ(followUpsHandled.load(), 1);
    EXPECT_FALSE(IsFollowUpPending(*db, card));
    EXPECT_EQ(GetContractsByInn(*db, u"7701234567"_q).size(), 1u);

    replica.clearLog();
    ASSERT_TRUE(runToEnd(withFollowUp()));
    EXPECT_EQ(cardRequests(), 0) << "done now";
}

TEST_F(ControllerTest, HandlerErrorPausesThenHandlesTheSameJobAgain) {
    RunParameters p = parameters();
    QStringList seen;
    p.handlers.card44 = [&seen](HandlerContext& context, const FinishedJob& job) {
        seen << job.url;
        if (seen.size() == 1) throw EGeneralError(u"сбой обработчика"_q);
        context.store.storeContract(job.url, u"s"_q, u""_q, u""_q, u""_q);
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(result, u"ok"_q);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0], seen[1]);  // the failed job came back first
    const int error = window.find(u": Ошибка: сбой обработчика"_q);
    ASSERT_GE(error, 0);
    EXPECT_EQ(window.find(u": Включаем паузу на 30 секунд"_q), error + 1);
    EXPECT_GT(window.find(u": Отключаем паузу, продолжаем работу"_q), error);
    // The job was counted again when it was handled again.
    EXPECT_GE(
        window.count(u"reestrNumber=101: успешно"_q) + window.count(u"reestrNumber=102: успешно"_q),
        3);
}

TEST_F(ControllerTest, PausedRunHandlesNothingUntilResumed) {
    RunParameters p = parameters();
    p.loopSleepMs = 100;  // a run long enough to be paused in the middle
    startAndWaitForOpening(std::move(p));
    control.PauseButtonClick();
    EXPECT_TRUE(control.IsPaused());
    const int handledAtPause = window.count(u": успешно"_q);
    control.WaitForRunEnd(500);
    EXPECT_TRUE(control.IsRunActive());
    // At most the iteration under way when the click came finishes its job.
    EXPECT_LE(window.count(u": успешно"_q), handledAtPause + 1);
    EXPECT_LT(window.count(u": успешно"_q), 5);
    EXPECT_EQ(window.count(u": Включаем паузу"_q), 1);

    control.PauseButtonClick();  // the second click resumes
    EXPECT_EQ(window.count(u": Отключаем паузу, продолжаем работу"_q), 1);
    ASSERT_TRUE(control.WaitForRunEnd(30000));
    EXPECT_EQ(result, u"ok"_q);
    // Nothing happens once the run is over.
    control.PauseButtonClick();
    control.StopButtonClick();
    EXPECT_EQ(window.count(u": Включаем паузу"_q), 1);
    EXPECT_EQ(window.count(u": Останавливаем работу"_q), 0);
}

TEST_F(ControllerTest, StopDuringAPauseSkipsTheReportButWritesTheLog) {
    RunParameters p = parameters();
    bool reported = false;
    p.reportStage = [&reported](ReportContext&) {
        reported = true;
        return QStringList();
    };
    startAndWaitForOpening(std::move(p));
    control.PauseButtonClick();
    control.StopButtonClick();
    ASSERT_TRUE(control.WaitForRunEnd(30000));
    EXPECT_FALSE(reported);
    EXPECT_EQ(window.count(u": Сбор данных завершен"_q), 0);
    EXPECT_EQ(window.count(u": Останавливаем работу"_q), 1);
    EXPECT_EQ(window.progressPosition, 0);
    EXPECT_GE(window.find(u": Работа завершена, лог записан в "_q), 0);
    EXPECT_EQ(QDir(programDir).entryList({u"log*.txt"_q}).size(), 1);
    EXPECT_TRUE(window.controlsEnabled);
    // A stopped run still gives its account, without reports.
    const int summary = window.find(u": Итог работы: остановлено пользователем"_q);
    EXPECT_GT(summary, window.find(u": Останавливаем работу"_q));
    EXPECT_GT(window.find(u": Работа завершена, лог записан в "_q), summary);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Stopped);
    EXPECT_TRUE(window.summary->reports.empty());
}

TEST_F(ControllerTest, StopEndsWorkersHangingInASlowRequest) {
    replica.setSlowBodyDelay(std::chrono::milliseconds(2000));
    replica.queueFaults("/epz/", {PortalReplica::Fault::SlowBody, PortalReplica::Fault::SlowBody,
                                  PortalReplica::Fault::SlowBody});
    window.settings.threadsLimit = 3;
    ASSERT_EQ(control.Start(parameters()), RunControl::StartOutcome::Started);
    control.WaitForRunEnd(700);  // all three searches are hanging by now
    const auto stopped = std::chrono::steady_clock::now();
    control.StopButtonClick();
    ASSERT_TRUE(control.WaitForRunEnd(30000));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(5));
    EXPECT_EQ(window.count(u": Сбор данных завершен"_q), 0);
    EXPECT_TRUE(window.controlsEnabled);
}

TEST_F(ControllerTest, BlankInnListStartsNothing) {
    window.innList = u"  \r\n\t\r\n"_q;
    EXPECT_EQ(control.Start(parameters()), RunControl::StartOutcome::EmptyInnList);
    EXPECT_FALSE(control.IsRunActive());
    EXPECT_TRUE(window.lines.isEmpty());
}

TEST_F(ControllerTest, UnreadableListFileIsReportedAndTheRunEndsProperly) {
    QDir(programDir).mkdir(u"proxy.txt"_q);  // a folder where the list file should be
    ASSERT_TRUE(runToEnd(parameters()));
    EXPECT_TRUE(result.startsWith(u"ERROR_"_q));
    EXPECT_GE(window.find(u": Ошибка: "_q), 0);
    EXPECT_EQ(window.count(u": Включаем паузу на 30 секунд"_q), 0);
    EXPECT_TRUE(window.controlsEnabled);
    EXPECT_EQ(QDir(programDir).entryList({u"log*.txt"_q}).size(), 1);
}

TEST_F(ControllerTest, ReportFilesWrittenBeforeAFailureStillGetWorkbooks) {
    RunParameters p = parameters();
    const QString written = programDir + u"written.tab"_q;
    p.reportStage = [written](ReportContext&) -> QStringList {
        throw EReportStageError(u"Не удалось создать папку"_q, {written});
    };
    QStringList converted;
    p.workbookStage = [&converted](const QStringList& files,
                                   const std::function<void(const QString&)>&,
                                   const std::function<bool()>&) { converted = files; };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(converted, QStringList{written});
    EXPECT_GE(window.find(u": Ошибка: Не удалось создать папку"_q), 0);
    EXPECT_EQ(window.count(u": Сбор данных завершен"_q), 0);
    EXPECT_EQ(window.count(u": Включаем паузу на 30 секунд"_q), 0);
    EXPECT_TRUE(window.controlsEnabled);
}

TEST_F(ControllerTest, FailedReadOfTheInnListEndsTheReportStageWithAnError) {
    window.failInnListReadsFrom = 1;  // the start reads it once; the report stage fails
    RunParameters p = parameters();
    bool stageRan = false;
    p.reportStage = [&stageRan](ReportContext&) -> QStringList {
        stageRan = true;
        return {};
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_FALSE(stageRan);
    EXPECT_TRUE(result.startsWith(u"ERROR_"_q));
    EXPECT_GE(window.find(u": Ошибка: Список ИНН недоступен"_q), 0);
    EXPECT_EQ(window.count(u": Сбор данных завершен"_q), 0);
    EXPECT_TRUE(window.controlsEnabled);
}

TEST_F(ControllerTest, RunControlGoneBeforeTheRunEndsWaitsForItAndFreesIt) {
    RecordingWindow ownWindow;
    std::atomic<bool> stageStarted{false};
    std::atomic<bool> stageEnded{false};
    RunParameters p = parameters();
    // A stage that outlasts the destructor's wait and then still shows lines.
    p.reportStage = [&stageStarted, &stageEnded](ReportContext& context) -> QStringList {
        stageStarted = true;
        QThread::msleep(400);
        context.addLogLine(u"после закрытия"_q);
        stageEnded = true;
        return {};
    };
    {
        RunControl ownControl{ownWindow};
        ownControl.setCloseWaitMs(50);
        ASSERT_EQ(ownControl.Start(std::move(p)), RunControl::StartOutcome::Started);
        for (int i = 0; i < 3000 && !stageStarted; ++i)
            ownControl.WaitForRunEnd(10);
        ASSERT_TRUE(stageStarted);
        ownWindow.lines.clear();
    }
    // The controller has ended within the destructor, and nothing it did
    // after the window was taken from it reached the window.
    EXPECT_TRUE(stageEnded);
    EXPECT_EQ(ownWindow.count(u"после закрытия"_q), 0);
}

TEST_F(ControllerTest, AWorkerThreadThatCannotStartIsNotLeftListed) {
    RunParameters p = parameters();
    int starts = 0;
    p.workerStartFault = [&starts] {
        if (++starts == 2) throw std::system_error(EAGAIN, std::generic_category(), "thread");
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(result, u"ok"_q);
    EXPECT_EQ(cardsHandled.load(), 2);
    EXPECT_EQ(window.count(u": Включаем паузу на 30 секунд"_q), 1);
}

TEST_F(ControllerTest, AStoreThatKeepsFailingTheSameJobEndsTheRunWithItsReason) {
    db->ExecSQL(u"PRAGMA query_only = ON"_q);  // every write is refused, as on a read-only disk
    RunParameters p = parameters();
    bool stageRan = false;
    p.reportStage = [&stageRan](ReportContext&) -> QStringList {
        stageRan = true;
        return {};
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_TRUE(result.startsWith(u"ERROR_"_q));
    EXPECT_FALSE(stageRan);
    // Five failures of the one job: four pauses, then the end.
    EXPECT_EQ(window.count(u": Включаем паузу на 30 секунд"_q), 4);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Failed);
    EXPECT_TRUE(window.summary->failureText.contains(u"не принимает записи (5 попыток подряд)"_q))
        << window.summary->failureText.toStdString();
    EXPECT_TRUE(window.controlsEnabled);
}

TEST_F(ControllerTest, TheCounterShowsTheListedInnsContractsBesideThePortalsCards) {
    RunParameters p = parameters();
    p.listedInns = {u"7707083893"_q};
    p.handlers.card44 = [](HandlerContext& context, const FinishedJob& job) {
        const bool listed = job.url.endsWith(u"101"_q);
        context.store.replaceContract(job.url, u"s"_q, u""_q, u""_q, u""_q,
                                      {listed ? u"7707083893"_q : u"500100732259"_q});
    };
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(window.counterText, u"Найдено контрактов: 2; по ИНН из списка: 1"_q);
}

// A card that fails every attempt is given up after a bounded number of attempts; the run
// still reports, but its account counts and names the unread card, says the answer may be
// incomplete, and the next run asks for the card again.
TEST_F(ControllerTest, CardGivenUpLeavesTheRunIncompleteAndIsReadNextTime) {
    std::atomic<bool> failing{true};
    replica.setHandler(kCardPath, [&failing](const httplib::Request& req, httplib::Response& res) {
        const bool fail = failing && req.get_param_value("reestrNumber") == "102";
        res.status = fail ? 500 : 200;
        res.set_content(fail ? "" : "<html>card</html>", "text/html; charset=utf-8");
    });
    RunParameters p = parameters();
    p.clock = &instantClock;
    ASSERT_TRUE(runToEnd(p));
    const QString unread =
        QString::fromStdString(replica.baseUrl() + kCardPath) + u"?reestrNumber=102"_q;
    EXPECT_EQ(cardRequests(), 1 + TScrapingThread::kMaxFailedAttempts);
    EXPECT_EQ(result, u"ok"_q);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Incomplete);
    EXPECT_EQ(window.summary->registries[0].cardsUnread, 1);
    EXPECT_EQ(window.summary->registries[0].cardsStored, 1);
    EXPECT_EQ(window.summary->unreadAddresses, QStringList{unread});
    EXPECT_EQ(window.count(u": Итог работы: сбор данных завершён не полностью — 1 страниц портала "
                           u"не прочитано"_q),
              1);
    EXPECT_EQ(window.count(u"; не прочитано: страниц поиска 0, карточек 1, дополнительных "
                           u"страниц карточек 0"_q),
              1);
    EXPECT_EQ(window.count(u": Не прочитаны, например: "_q + unread), 1);
    EXPECT_FALSE(IsUrlStored(*db, unread));

    failing = false;
    replica.clearLog();
    ASSERT_TRUE(runToEnd(p));
    EXPECT_EQ(cardRequests(), 1);
    EXPECT_TRUE(IsUrlStored(*db, unread));
    EXPECT_EQ(window.summary->outcome, RunOutcome::Done);
}

namespace {

// A run against a portal that answers every request with `fault`: it ends early with the
// reason, having asked far fewer times than its jobs' attempts allow.
void ExpectRefusingPortalEndsTheRun(const PortalReplica& replica, const RecordingWindow& window,
                                    const QString& result, const QString& reason) {
    EXPECT_TRUE(result.startsWith(u"ERROR_"_q + reason)) << result.toStdString();
    EXPECT_EQ(window.count(u": Ошибка: "_q + reason), 1);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Failed);
    EXPECT_TRUE(window.summary->failureText.startsWith(reason));
    EXPECT_TRUE(window.summary->reports.empty());
    EXPECT_LT(replica.requests().size(), std::size_t(PortalRefusals::kRefusalsToEnd + 3));
    EXPECT_TRUE(window.controlsEnabled);
}

}  // namespace

TEST_F(ControllerTest, PortalThatForbidsEverythingEndsTheRunWithItsReason) {
    replica.setFaultRate(PortalReplica::Fault::Status403, 1.0, 1);
    RunParameters p = parameters();
    p.clock = &instantClock;
    ASSERT_TRUE(runToEnd(p));
    ExpectRefusingPortalEndsTheRun(replica, window, result,
                                   u"портал отказывает в доступе (403): 10 ответов подряд"_q);
}

TEST_F(ControllerTest, PortalThatAsksForFewerRequestsEndsTheRunWithItsReason) {
    replica.setFaultRate(PortalReplica::Fault::Status429, 1.0, 1);
    window.settings.threadsLimit = 3;
    RunParameters p = parameters();
    p.clock = &instantClock;
    ASSERT_TRUE(runToEnd(p));
    ExpectRefusingPortalEndsTheRun(replica, window, result,
                                   u"портал просит реже обращаться (429): 10 ответов подряд"_q);
    EXPECT_GE(window.count(u"Делаем паузу 30 секунд"_q), 1);
}

// The only proxy of proxy.txt accepts connections and never answers: each attempt ends at the
// page limit, the proxy leaves the rotation after its third time-out with one line naming it,
// and the run ends saying no proxy is left.
TEST_F(ControllerTest, HangingProxyEndsTheRunWhenNoProxyIsLeft) {
    HangingProxy hanging;
    const QString name = u"127.0.0.1:"_q + QString::number(hanging.port());
    QFile proxyFile(programDir + u"proxy.txt"_q);
    ASSERT_TRUE(proxyFile.open(QIODevice::WriteOnly));
    proxyFile.write(name.toUtf8() + ";user;secret\r\n");
    proxyFile.close();
    window.settings.useProxy = true;
    RunParameters p = parameters();
    p.clock = &instantClock;
    p.requestTimeLimitMs = 300;
    ASSERT_TRUE(runToEnd(p));
    EXPECT_TRUE(replica.requests().empty());
    EXPECT_EQ(window.count(u"Прокси "_q + name + u" не отвечает"_q), 1);
    // Every line of the proxied worker names the proxy by host and port, not by "()".
    EXPECT_EQ(window.count(u" ("_q + name + u"): Запускаем "_q), ProxyHealth::kTimeoutsToDrop);
    EXPECT_EQ(window.count(u"(): "_q), 0);
    const QString reason = u"ни один прокси-сервер не отвечает (исключены: "_q + name + u")"_q;
    EXPECT_EQ(window.count(u": Ошибка: "_q + reason), 1);
    ASSERT_TRUE(window.summary);
    EXPECT_EQ(window.summary->outcome, RunOutcome::Failed);
    EXPECT_TRUE(window.summary->failureText.startsWith(reason));
}
