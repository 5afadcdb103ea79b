// A whole crawl of the synthetic portal by the console front end, run as the
// program itself against the replica on loopback.
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "tests/app/CliCrawlRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <map>
#include <set>
#include <utility>

namespace {

// The replica on loopback and a program folder listing one INN, for runs of the console front
// end over the days from 1 March 2024 to lastDay.
class CliFolderTest : public ::testing::Test {
protected:
    CliFolderTest(QString lastDay, int timeoutMs)
        : lastDay_(std::move(lastDay)), timeoutMs_(timeoutMs) {}

    void SetUp() override {
        replica.start();
        programDir = dir.path() + u"/"_q;
        ASSERT_TRUE(WriteInnList(dir.path(), {u"7707083893"_q}));
    }

    // Runs "contract-finder-cli run" to its end (threads 0: as settings.ini says); gives its
    // exit code.
    int runCli(int threads = 0) {
        CliCrawlRun run(dir.path(), replica.baseUrl(), u"01.03.2024"_q, lastDay_);
        run.threads = threads;
        run.timeoutMs = timeoutMs_;
        return RunCliCrawl(run, output);
    }

    PortalReplica replica;
    QTemporaryDir dir;
    QString programDir;
    QString output;

private:
    QString lastDay_;
    int timeoutMs_;
};

class CliCrawlTest : public CliFolderTest {
protected:
    CliCrawlTest() : CliFolderTest(u"10.03.2024"_q, 600000) {}

    // How often each card path was requested; searches and the 223-FZ cards' follow-up pages
    // are left out.
    std::map<std::string, int> cardRequests() const {
        std::map<std::string, int> counts;
        for (const auto& request : replica.requests()) {
            if (request.path.find("contractCard/common-info") != std::string::npos ||
                request.path.find("general-info") != std::string::npos ||
                request.path.find("contract-info") != std::string::npos) {
                ++counts[request.path + "?" + request.query];
            }
        }
        return counts;
    }

    int lineIndex(const QString& text, int from = 0) const {
        const QStringList lines = output.split(u'\n');
        for (int i = from; i < lines.size(); ++i) {
            if (lines[i].contains(text)) return i;
        }
        return -1;
    }

    SyntheticPortal portal{replica, [] {
                               SyntheticPortalConfig config;
                               config.seed = 7;
                               config.firstDay = QDate(2024, 3, 1);
                               config.lastDay = QDate(2024, 3, 10);
                               config.contracts44 = 250;
                               config.contractsCapital = 30;
                               config.contracts223 = 60;
                               // One day too full for one search: split by price.
                               config.crowdedDays = {{QDate(2024, 3, 6), 1050}};
                               return config;
                           }()};
};

}  // namespace

TEST_F(CliCrawlTest, SplitsOverFullSearchesAndQueuesEveryCardOnce) {
    ASSERT_EQ(runCli(4), 0) << output.right(2000).toStdString();

    const auto requested = cardRequests();
    ASSERT_EQ(requested.size(), portal.contracts().size());
    for (const SyntheticContract& contract : portal.contracts()) {
        const auto it = requested.find(contract.cardPath);
        ASSERT_NE(it, requested.end()) << contract.cardPath;
        EXPECT_EQ(it->second, 1) << contract.cardPath;
    }

    // The log of the run, in order.
    int at = lineIndex(u": Начинаем работу по заданному списку"_q);
    EXPECT_EQ(at, 0);
    for (
        const QString& text :
        {u": Начинаем работу..."_q, u"Нашлось "_q,
         u": Разбиваем длинный интервал на несколько мелких, с текущей ссылки контракты не собираем."_q,
         u": Сбор данных завершен"_q, u": Работа завершена, лог записан в "_q}) {
        const int next = lineIndex(text, at);
        EXPECT_GT(next, at) << text.toStdString();
        at = next;
    }
    EXPECT_TRUE(output.contains(u"contractPriceFrom="_q)) << "the crowded day was split by price";
    EXPECT_EQ(QDir(dir.path()).entryList({u"log*.txt"_q}).size(), 1);
}

TEST_F(CliCrawlTest, SecondRunSkipsCardsStoredMeanwhile) {
    ASSERT_EQ(runCli(2), 0);
    // Besides what the first run stored, store every other card, as another
    // copy of the program might have meanwhile.
    std::set<std::string> stored;
    {
        auto db = TSQLiteDatabase::Create(programDir + u"db.s3db"_q);
        const auto& contracts = portal.contracts();
        for (std::size_t i = 0; i < contracts.size(); i += 2) {
            StoreContract(*db, QString::fromStdString(portal.cardUrl(contracts[i])), u"s"_q, u""_q,
                          u""_q, u""_q);
        }
        for (const SyntheticContract& contract : contracts) {
            if (IsUrlStored(*db, QString::fromStdString(portal.cardUrl(contract)))) {
                stored.insert(contract.cardPath);
            }
        }
    }
    replica.clearLog();
    ASSERT_EQ(runCli(2), 0);
    int cardsFetched = 0;
    for (const auto& [path, count] : cardRequests()) {
        EXPECT_EQ(stored.count(path), 0u) << path;
        ++cardsFetched;
    }
    EXPECT_EQ(cardsFetched, static_cast<int>(portal.contracts().size() - stored.size()));
    EXPECT_EQ(output.count(u": URL обработан ранее: "_q), static_cast<int>(stored.size()));
}

namespace {

// A small portal whose 223-FZ protocols all have a text layer, crawled by a program folder
// whose own converters (poppler/) fail.
class UnreadableProtocolTest : public CliFolderTest {
protected:
    UnreadableProtocolTest() : CliFolderTest(u"03.03.2024"_q, 300000) {}

    void SetUp() override {
        CliFolderTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(QDir(programDir).mkdir(u"poppler"_q));
        for (const char* name : {"pdftotext", "pdftoppm"}) {
            QFile script(programDir + u"poppler/"_q + QString::fromLatin1(name));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nexit 3\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    std::vector<const SyntheticContract*> protocolContracts() const {
        std::vector<const SyntheticContract*> found;
        for (const SyntheticContract& contract : portal.contracts()) {
            if (contract.route == SyntheticRoute::Protocol) found.push_back(&contract);
        }
        return found;
    }

    SyntheticPortal portal{replica, [] {
                               SyntheticPortalConfig config;
                               config.seed = 5;
                               config.firstDay = QDate(2024, 3, 1);
                               config.lastDay = QDate(2024, 3, 3);
                               config.contracts44 = 1;
                               config.contractsCapital = 1;
                               config.contracts223 = 8;
                               config.ocrContracts = 0;
                               return config;
                           }()};
};

}  // namespace

// A protocol the converters could not read is not taken for one naming no supplier: the log
// says why, the card keeps its pending mark, and the next run reads the protocol.
TEST_F(UnreadableProtocolTest, FailedConversionIsSaidAndTriedAgainByTheNextRun) {
    const auto contracts = protocolContracts();
    ASSERT_FALSE(contracts.empty());
    ASSERT_EQ(runCli(), 0) << output.right(2000).toStdString();
    EXPECT_EQ(output.count(u": документ не прочитан: pdftotext завершилась с ошибкой (код 3); "
                           u"pdftoppm завершилась с ошибкой (код 3); договор будет проверен "
                           u"снова при следующем запуске"_q),
              static_cast<int>(contracts.size()))
        << output.right(3000).toStdString();
    EXPECT_FALSE(output.contains(u"ИНН не найдены в файле"_q));
    {
        auto db = TSQLiteDatabase::Create(programDir + u"db.s3db"_q);
        for (const SyntheticContract* contract : contracts) {
            const QString card = QString::fromStdString(portal.cardUrl(*contract));
            EXPECT_TRUE(IsFollowUpPending(*db, card)) << card.toStdString();
        }
    }

    // The system's own converters from now on.
    ASSERT_TRUE(QDir(programDir + u"poppler"_q).removeRecursively());
    ASSERT_EQ(runCli(), 0) << output.right(2000).toStdString();
    EXPECT_FALSE(output.contains(u"документ не прочитан"_q));
    auto db = TSQLiteDatabase::Create(programDir + u"db.s3db"_q);
    for (const SyntheticContract* contract : contracts) {
        const QString card = QString::fromStdString(portal.cardUrl(*contract));
        EXPECT_FALSE(IsFollowUpPending(*db, card)) << card.toStdString();
        for (const std::string& inn : contract->expectedInns) {
            bool linked = false;
            for (const auto& [url, info] : GetContractsByInn(*db, QString::fromStdString(inn)))
                linked = linked || url == card;
            EXPECT_TRUE(linked) << inn;
        }
    }
    EXPECT_TRUE(output.contains(u"документов прочитано по текстовому слою "_q +
                                QString::number(contracts.size())));
}

namespace {

// A small portal with one 44-FZ contract.
class UnreadCardTest : public CliFolderTest {
protected:
    UnreadCardTest() : CliFolderTest(u"03.03.2024"_q, 300000) {}

    SyntheticPortal portal{replica, [] {
                               SyntheticPortalConfig config;
                               config.seed = 3;
                               config.firstDay = QDate(2024, 3, 1);
                               config.lastDay = QDate(2024, 3, 3);
                               config.contracts44 = 1;
                               config.contractsCapital = 1;
                               config.contracts223 = 1;
                               config.ocrContracts = 0;
                               return config;
                           }()};
};

}  // namespace

// A card that could not be read ends the run with its own exit code and an account that says
// the answers may be incomplete; the next run reads the card and ends as done.
TEST_F(UnreadCardTest, CardNotReadEndsTheRunIncompleteWithExitCodeThree) {
    replica.queueFaults("/epz/contract/contractCard/common-info.html",
                        {PortalReplica::Fault::Status404});
    ASSERT_EQ(runCli(), 3) << output.right(3000).toStdString();
    EXPECT_TRUE(
        output.contains(u": Итог работы: сбор данных завершён не полностью — 1 страниц "
                        u"портала не прочитано"_q));
    EXPECT_TRUE(output.contains(u": Не прочитаны, например: "_q +
                                QString::fromStdString(replica.baseUrl()) +
                                u"/epz/contract/contractCard/common-info.html?reestrNumber="_q));
    EXPECT_TRUE(output.contains(u"ИНН 7707083893: "_q));
    EXPECT_TRUE(
        output.contains(u"(ответ может быть неполным: не все страницы портала прочитаны)"_q));

    ASSERT_EQ(runCli(), 0) << output.right(3000).toStdString();
    EXPECT_TRUE(output.contains(u": Итог работы: сбор данных завершён"_q));
    EXPECT_FALSE(output.contains(u"не полностью"_q));
}
