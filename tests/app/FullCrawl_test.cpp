// A whole crawl of the synthetic portal with real cards, by the console front end run as the
// program itself: contracts of the three registries, 223-FZ supplier lists and protocols (one of
// them only readable by OCR), the store compared with what the portal knows, the report files,
// and a second run that fetches nothing stored.
#include "replica/PortalReplica.h"
#include "replica/SyntheticCardMarkup.h"
#include "replica/SyntheticPortal.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "store/SqlText.h"
#include "tests/app/CliCrawlRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QString kGroup = u"Группа"_q;

SyntheticPortalConfig FewContracts() {
    SyntheticPortalConfig config;
    config.seed = 3;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 5);
    config.contracts44 = 4;
    config.contractsCapital = 2;
    // Four on the supplier-info route, four on the protocol route (one scanned), two plan
    // positions.
    config.contracts223 = 10;
    config.ocrContracts = 1;
    return config;
}

// The replica, its portal, the program folder and the output of the first run, shared by the
// tests: the crawl with its OCR runs once.
struct Crawl {
    PortalReplica replica;
    std::unique_ptr<SyntheticPortal> portal;
    QTemporaryDir dir;
    QString programDir;
    QString firstOutput;
    int firstExit = -1;
    std::string bareInn, groupInn;

    // Runs "contract-finder-cli run" to its end; gives its exit code and output.
    int run(QString& output) {
        CliCrawlRun run(dir.path(), replica.baseUrl(), u"01.03.2024"_q, u"05.03.2024"_q);
        run.threads = 4;
        run.withErrors = true;
        return RunCliCrawl(run, output);
    }

    QString url(const SyntheticContract& contract) const {
        return QString::fromStdString(portal->cardUrl(contract));
    }
};

Crawl* g_crawl = nullptr;

const SyntheticContract& FirstOf(const SyntheticPortal& portal, SyntheticRoute route) {
    for (const SyntheticContract& contract : portal.contracts()) {
        if (contract.route == route) return contract;
    }
    throw std::logic_error(std::string("no contract on the route ") + SyntheticRouteName(route));
}

class FullCrawlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_crawl = new Crawl;
        Crawl& c = *g_crawl;
        c.replica.start();
        c.portal = std::make_unique<SyntheticPortal>(c.replica, FewContracts());
        c.programDir = c.dir.path() + u"/"_q;
        // One INN of a 44-FZ card alone, one that only protocols hold in a group.
        c.bareInn = FirstOf(*c.portal, SyntheticRoute::Card).inns.front();
        c.groupInn = FirstOf(*c.portal, SyntheticRoute::ScannedProtocol).expectedInns.back();
        WriteInnList(c.dir.path(),
                     {QString::fromStdString(c.bareInn),
                      kGroup + u"\tПоставщик\t"_q + QString::fromStdString(c.groupInn)});
        c.firstExit = c.run(c.firstOutput);
    }
    static void TearDownTestSuite() {
        delete g_crawl;
        g_crawl = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(g_crawl->firstExit, 0) << g_crawl->firstOutput.right(3000).toStdString();
    }

    Crawl& c = *g_crawl;
};

// The INNs stored for the contract's address, sorted.
std::vector<std::string> StoredInns(TSQLiteDatabase& db, const QString& url) {
    TSQLiteTable table = db.GetTable(
        u"SELECT i.inn FROM url_inns l JOIN inns i ON i.id = l.inn_id "
        u"JOIN urls u ON u.id = l.url_id WHERE u.url = "_q +
        SqlQuote(url) + u" ORDER BY i.inn"_q);
    std::vector<std::string> inns;
    for (; !table.Eof(); table.Next())
        inns.push_back(table.FieldAsString(0).toStdString());
    return inns;
}

// The text of every ".tab" file directly in the folder, and whether it has a workbook beside it.
QString ReportsIn(const QString& folder, bool& workbooks) {
    QString text;
    const QDir dir(folder);
    const QStringList tabs = dir.entryList({u"*.tab"_q}, QDir::Files);
    workbooks = !tabs.isEmpty();
    for (const QString& name : tabs) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) text += QString::fromUtf8(file.readAll());
        workbooks = workbooks && QFile::exists(dir.filePath(name.chopped(4) + u".xlsx"_q));
    }
    return text;
}

}  // namespace

TEST_F(FullCrawlTest, StoresEveryContractWithTheInnsItsRouteLeadsTo) {
    auto db = TSQLiteDatabase::Create(c.programDir + u"db.s3db"_q);
    std::set<SyntheticRoute> routes;
    std::set<PortalRegistry> registries;
    for (const SyntheticContract& contract : c.portal->contracts()) {
        const QString url = c.url(contract);
        SCOPED_TRACE(url.toStdString() + " " + SyntheticRouteName(contract.route));
        routes.insert(contract.route);
        registries.insert(contract.registry);
        TSQLiteTable row = db->GetTable(
            u"SELECT contract_subject, amount, conclusion_date, execution_date FROM urls "
            u"WHERE url = "_q +
            SqlQuote(url));
        ASSERT_FALSE(row.Eof());
        EXPECT_EQ(row.FieldAsString(0).toStdString(), contract.expectedSubject);
        EXPECT_DOUBLE_EQ(row.FieldAsDouble(1), contract.expectedAmount);
        EXPECT_EQ(row.FieldAsString(2).toStdString(), contract.expectedConclusion);
        EXPECT_EQ(row.FieldAsString(3).toStdString(), contract.expectedExecution);
        EXPECT_EQ(StoredInns(*db, url), contract.expectedInns);
        for (const std::string& inn : contract.expectedInns) {
            bool listed = false;
            for (const auto& [stored, info] : GetContractsByInn(*db, QString::fromStdString(inn)))
                listed = listed || stored == url;
            EXPECT_TRUE(listed) << inn;
        }
    }
    EXPECT_EQ(db->GetTableValue(u"SELECT count(*) FROM urls"_q),
              static_cast<std::int64_t>(c.portal->contracts().size()));
    EXPECT_EQ(registries.size(), 3u);
    EXPECT_EQ(routes.size(), 5u) << "every route taken";
}

TEST_F(FullCrawlTest, LogShowsTheRoutes) {
    const QString& log = c.firstOutput;
    for (const SyntheticContract& contract : c.portal->contracts()) {
        const QString url = c.url(contract);
        if (contract.route == SyntheticRoute::PlanPosition) {
            EXPECT_TRUE(
                log.contains(u"Обнаружена позиция плана закупки, поставщик неизвестен "_q + url))
                << url.toStdString();
        }
        if (contract.route == SyntheticRoute::SupplierList) {
            const QString page =
                QString::fromStdString(c.replica.baseUrl() + kSupplierListPath + "?id=" +
                                       contract.cardPath.substr(contract.cardPath.rfind('=') + 1));
            EXPECT_TRUE(log.contains(page + u"&viewMode=FULL: успешно"_q)) << url.toStdString();
        }
        if (contract.protocolFile.empty()) continue;
        // "ИНН найдены (<inns>) в файле <download address>", INNs in any order.
        const QString download = QString::fromStdString(
            c.replica.baseUrl() + "/download/download.html?uid=" + SyntheticProtocolUid(contract));
        const QStringList lines = log.split(u'\n').filter(u") в файле "_q + download);
        ASSERT_EQ(lines.size(), 1) << contract.protocolFile;
        EXPECT_TRUE(lines.front().contains(u"ИНН найдены ("_q));
        for (const std::string& inn : contract.expectedInns)
            EXPECT_TRUE(lines.front().contains(QString::fromStdString(inn))) << inn;
    }
    EXPECT_FALSE(log.contains(u"Ошибка?"_q)) << log.toStdString();
    EXPECT_EQ(QDir(c.dir.path()).entryList({u"log*.txt"_q}).size(), 1);
}

TEST_F(FullCrawlTest, ReportsTheListedInnsContracts) {
    bool workbooks = false;
    const QString bare = ReportsIn(c.programDir, workbooks);
    EXPECT_TRUE(workbooks) << "a .tab report with its .xlsx in the program folder";
    const QString grouped = ReportsIn(c.programDir + kGroup, workbooks);
    EXPECT_TRUE(workbooks) << "a .tab report with its .xlsx in the group folder";
    EXPECT_TRUE(QFile::exists(c.programDir + u"shown.txt"_q));
    int reported = 0;
    for (const SyntheticContract& contract : c.portal->contracts()) {
        const auto& inns = contract.expectedInns;
        const QString url = c.url(contract);
        if (std::find(inns.begin(), inns.end(), c.bareInn) != inns.end()) {
            EXPECT_TRUE(bare.contains(url)) << url.toStdString();
            ++reported;
        }
        if (std::find(inns.begin(), inns.end(), c.groupInn) != inns.end()) {
            EXPECT_TRUE(grouped.contains(url)) << url.toStdString();
            ++reported;
        }
    }
    EXPECT_GE(reported, 2);
}

// The run's account, from the run's own counters, against what the portal knows.
TEST_F(FullCrawlTest, SummaryGivesTheFiguresThePortalKnows) {
    const QString& log = c.firstOutput;
    struct Registry {
        PortalRegistry registry;
        const char* name;
        const char* searchPath;
    };
    for (const Registry& r :
         {Registry{PortalRegistry::Contracts44, "44-ФЗ", "/epz/contract/search/results.html"},
          Registry{PortalRegistry::Contracts223, "223-ФЗ",
                   "/epz/contractfz223/search/results.html"},
          Registry{PortalRegistry::CapitalRepairs, "капремонт",
                   "/epz/capitalrepairs/search/results.html"}}) {
        int cards = 0, text = 0, ocr = 0;
        for (const SyntheticContract* contract : c.portal->contractsOf(r.registry)) {
            ++cards;
            text += contract->route == SyntheticRoute::Protocol;
            ocr += contract->route == SyntheticRoute::ScannedProtocol;
        }
        const QString line =
            u": %1: страниц поиска %2, карточек прочитано %3, сохранено %3, страниц без "
            u"ожидаемых данных 0, документов прочитано по текстовому слою %4, по OCR %5"_q
                .arg(QString::fromUtf8(r.name))
                .arg(c.portal->requestCount(r.searchPath))
                .arg(cards)
                .arg(text)
                .arg(ocr);
        EXPECT_TRUE(log.contains(line)) << line.toStdString();
    }

    // Each listed INN, or its group, with the contracts the portal gives it.
    const auto reported = [&](const std::string& inn) {
        int n = 0;
        for (const SyntheticContract& contract : c.portal->contracts()) {
            const auto& inns = contract.expectedInns;
            n += std::find(inns.begin(), inns.end(), inn) != inns.end();
        }
        return n;
    };
    const QString bare = u": ИНН %1: новых контрактов %2, отчёт %3"_q.arg(
        QString::fromStdString(c.bareInn), QString::number(reported(c.bareInn)), c.programDir);
    EXPECT_TRUE(log.contains(bare)) << bare.toStdString();
    const QString group = u": Группа «%1»: новых контрактов %2, отчёт %3%1/"_q.arg(
        kGroup, QString::number(reported(c.groupInn)), c.programDir);
    EXPECT_TRUE(log.contains(group)) << group.toStdString();
    const QStringList bareLines = log.split(u'\n').filter(bare);
    ASSERT_FALSE(bareLines.isEmpty());
    EXPECT_TRUE(bareLines.front().contains(u".tab, книга "_q + c.programDir))
        << bareLines.front().toStdString();
    EXPECT_TRUE(log.contains(u": Данные программы (база, отчёты, логи): "_q + c.programDir));
    // Before the closing line.
    EXPECT_LT(log.indexOf(u": Итог работы: сбор данных завершён"_q),
              log.indexOf(u": Работа завершена, лог записан в "_q));
}

// Last: it runs the program again over the same folder.
TEST_F(FullCrawlTest, SecondRunFetchesNoStoredCard) {
    c.replica.clearLog();
    QString output;
    ASSERT_EQ(c.run(output), 0) << output.right(3000).toStdString();
    std::set<std::string> cards;
    for (const SyntheticContract& contract : c.portal->contracts())
        cards.insert(contract.cardPath);
    for (const auto& request : c.replica.requests()) {
        const std::string target = request.path + "?" + request.query;
        EXPECT_EQ(cards.count(target), 0u) << target;
        EXPECT_EQ(request.path.find("/download/"), std::string::npos) << target;
    }
    EXPECT_EQ(output.count(u": URL обработан ранее: "_q),
              static_cast<int>(c.portal->contracts().size()));
    // Nothing new to report, and the summary says why.
    EXPECT_TRUE(output.contains(u": ИНН "_q + QString::fromStdString(c.bareInn) +
                                u": новых контрактов нет — все найденные"_q))
        << output.right(3000).toStdString();
    EXPECT_TRUE(output.contains(u"44-ФЗ: страниц поиска 1, карточек прочитано 0, сохранено 0"_q));
}
