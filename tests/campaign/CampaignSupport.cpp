#include "tests/campaign/CampaignSupport.h"

#include "replica/SyntheticCardMarkup.h"
#include "replica/SyntheticContracts.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "store/SqlText.h"
#include "tests/report/WorkbookXml.h"
#include "tests/support/TestSupport.h"

#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <unordered_map>

namespace {

// The program's own files: the database, its lists and reports, logs, and the report
// folders of named groups.
bool IsRunOutput(const QFileInfo& entry) {
    if (entry.isDir()) return true;
    static const QStringList kOwn = {u"db.s3db"_q,       u"INNs.txt"_q,       u"shown.txt"_q,
                                     u"proxy.txt"_q,     u"useragents.txt"_q, u"settings.ini"_q,
                                     u"shown.txt.lock"_q};
    const QString name = entry.fileName();
    return kOwn.contains(name) || name.endsWith(u".tab"_q) || name.endsWith(u".xlsx"_q) ||
           (name.startsWith(u"log"_q) && name.endsWith(u".txt"_q)) ||
           name.startsWith(u"db.s3db-"_q);
}

std::string QueryValue(const std::string& query, const std::string& name) {
    std::size_t at = 0;
    while (at <= query.size()) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

}  // namespace

ProgramFolder::ProgramFolder() {
    QDir(outer_.path()).mkdir(u"program"_q);
    QDir(outer_.path()).mkdir(u"cwd"_q);
}

QString ProgramFolder::path() const {
    return outer_.path() + u"/program"_q;
}

QString ProgramFolder::workDir() const {
    return outer_.path() + u"/cwd"_q;
}

QStringList ProgramFolder::strayEntries() const {
    QStringList stray;
    QDirIterator it(outer_.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        const QString relative = QDir(outer_.path()).relativeFilePath(entry);
        if (relative == u"program"_q || relative == u"cwd"_q || relative.startsWith(u"program/"_q))
            continue;
        stray << relative;
    }
    return stray;
}

QStringList ProgramFolder::leftovers() const {
    QStringList left;
    QDirIterator it(path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (!IsRunOutput(entry)) left << QDir(path()).relativeFilePath(entry.filePath());
    }
    return left;
}

void ProgramFolder::writeInns(const QStringList& lines) const {
    QFile file(path() + u"/INNs.txt"_q);
    if (file.open(QIODevice::WriteOnly)) file.write((lines.join(u"\r\n"_q) + u"\r\n"_q).toUtf8());
}

SyntheticPortalConfig FebruaryPortal(unsigned seed, int contracts44, int contractsCapital,
                                     int contracts223, int ocrContracts) {
    SyntheticPortalConfig config;
    config.seed = seed;
    config.firstDay = QDate(2024, 2, 1);
    config.lastDay = QDate(2024, 2, 29);
    config.contracts44 = contracts44;
    config.contractsCapital = contractsCapital;
    config.contracts223 = contracts223;
    config.ocrContracts = ocrContracts;
    return config;
}

std::unique_ptr<QProcess> StartCli(const CliRun& run, const QString& workDir) {
    auto cli = std::make_unique<QProcess>();
    cli->setWorkingDirectory(workDir);
    cli->setProcessChannelMode(QProcess::MergedChannels);
    cli->start(
        QStringLiteral(CF_CLI_PATH),
        QStringList{u"run"_q, u"--dir"_q, run.folder, u"--portal"_q,
                    QString::fromStdString(run.portal), u"--from"_q, run.from, u"--to"_q, run.to,
                    u"--threads"_q, QString::number(run.threads), u"--loop-sleep-ms"_q, u"2"_q} +
            run.extraArguments);
    cli->waitForStarted();
    return cli;
}

int RunCli(const CliRun& run, const QString& workDir, QString& output, int timeoutMs) {
    const auto cli = StartCli(run, workDir);
    const bool ended = cli->waitForFinished(timeoutMs);
    output = QString::fromUtf8(cli->readAll());
    if (!ended) {
        cli->kill();
        cli->waitForFinished();
        return -1;
    }
    return cli->exitStatus() == QProcess::NormalExit ? cli->exitCode() : -1;
}

std::map<std::string, StoredContract> ReadStore(const QString& programFolder) {
    std::map<std::string, StoredContract> stored;
    TSQLiteDatabase db(programFolder + u"/db.s3db"_q);
    for (TSQLiteTable row = db.GetTable(
             u"SELECT url, contract_subject, amount, conclusion_date, execution_date FROM urls"_q);
         !row.Eof(); row.Next()) {
        StoredContract& contract = stored[row.FieldAsString(0).toStdString()];
        contract.subject = row.FieldAsString(1).toStdString();
        contract.amount = row.FieldAsDouble(2);
        contract.conclusion = row.FieldAsString(3).toStdString();
        contract.execution = row.FieldAsString(4).toStdString();
    }
    for (TSQLiteTable row =
             db.GetTable(u"SELECT u.url, i.inn FROM url_inns l JOIN inns i ON i.id = l.inn_id "
                         u"JOIN urls u ON u.id = l.url_id ORDER BY u.url, i.inn"_q);
         !row.Eof(); row.Next()) {
        stored[row.FieldAsString(0).toStdString()].inns.push_back(
            row.FieldAsString(1).toStdString());
    }
    const bool hasPending =
        db.GetTableValue(u"SELECT count(*) FROM sqlite_master WHERE name = 'pending_followups'"_q) >
        0;
    if (hasPending) {
        for (TSQLiteTable row = db.GetTable(u"SELECT url FROM pending_followups"_q); !row.Eof();
             row.Next()) {
            const auto found = stored.find(row.FieldAsString(0).toStdString());
            if (found != stored.end()) found->second.pending = true;
        }
    }
    return stored;
}

void ExpectStoredFields(const StoredContract& got, const SyntheticContract& contract) {
    EXPECT_EQ(got.subject, contract.expectedSubject);
    EXPECT_DOUBLE_EQ(got.amount, contract.expectedAmount);
    EXPECT_EQ(got.conclusion, contract.expectedConclusion);
    EXPECT_EQ(got.execution, contract.expectedExecution);
}

QString IntegrityCheck(const QString& programFolder) {
    TSQLiteDatabase db(programFolder + u"/db.s3db"_q);
    QStringList lines;
    for (TSQLiteTable row = db.GetTable(u"PRAGMA integrity_check"_q); !row.Eof(); row.Next())
        lines << row.FieldAsString(0);
    return lines.join(u'\n');
}

std::vector<ChainPage> ChainOf(const SyntheticContract& contract) {
    switch (contract.route) {
        case SyntheticRoute::SupplierList:
            return {ChainPage::Card, ChainPage::SupplierList};
        case SyntheticRoute::Protocol:
        case SyntheticRoute::ScannedProtocol:
            return {ChainPage::Card, ChainPage::Notice, ChainPage::Documents, ChainPage::Download};
        case SyntheticRoute::Card:
        case SyntheticRoute::PlanPosition:
            break;
    }
    return {ChainPage::Card};
}

bool SpoilsContent(PortalReplica::Fault fault, ChainPage page) {
    using Fault = PortalReplica::Fault;
    // A download is not retried for an empty answer: it just brings no INNs.
    return fault == Fault::MissingMarkers || fault == Fault::Garbage ||
           (page == ChainPage::Download && fault == Fault::EmptyBody);
}

namespace {

// The key of the chain page a request fetches: the card's path and query, or the follow-up's
// kind and the number that names its contract; empty for other requests.
std::string PageKey(ChainPage page, const std::string& number) {
    return std::to_string(static_cast<int>(page)) + ":" + number;
}

std::string PageKeyOf(const PortalReplica::LoggedRequest& request) {
    if (request.path == kSupplierListPath)
        return PageKey(ChainPage::SupplierList, QueryValue(request.query, "id"));
    if (request.path == kNoticePath)
        return PageKey(ChainPage::Notice, QueryValue(request.query, "purchaseNoticeNumber"));
    if (request.path == kDocumentsPath)
        return PageKey(ChainPage::Documents, QueryValue(request.query, "purchaseNoticeNumber"));
    if (request.path.rfind("/download/", 0) == 0)
        return PageKey(ChainPage::Download, QueryValue(request.query, "uid"));
    return PageKey(ChainPage::Card, request.path + "?" + request.query);
}

std::string PageKeyOf(const SyntheticContract& contract, ChainPage page) {
    switch (page) {
        case ChainPage::Card:
            return PageKey(page, contract.cardPath);
        case ChainPage::SupplierList:
            return PageKey(page, SyntheticContractNumber(contract));
        case ChainPage::Notice:
        case ChainPage::Documents:
            return PageKey(page, contract.noticeNumber);
        case ChainPage::Download:
            return PageKey(page, SyntheticProtocolUid(contract));
    }
    return {};
}

}  // namespace

std::string ChainHistory(const SyntheticContract& contract,
                         const std::vector<PortalReplica::LoggedRequest>& requests) {
    std::string history;
    for (const ChainPage page : ChainOf(contract)) {
        const std::string key = PageKeyOf(contract, page);
        for (const auto& request : requests) {
            if (PageKeyOf(request) != key) continue;
            history += "\n  " + request.path + "?" + request.query + " -> " +
                       std::to_string(request.status) + " " +
                       PortalReplica::faultName(request.fault);
        }
    }
    return history;
}

std::map<std::string, ChainOutcome> ChainOutcomes(
    const SyntheticPortal& portal, const std::vector<PortalReplica::LoggedRequest>& requests) {
    // The log is in arrival order: the last entry of a page is its last request.
    std::unordered_map<std::string, const PortalReplica::LoggedRequest*> last;
    for (const auto& request : requests)
        last[PageKeyOf(request)] = &request;
    std::map<std::string, ChainOutcome> outcomes;
    for (const SyntheticContract& contract : portal.contracts()) {
        ChainOutcome& outcome = outcomes[contract.cardPath];
        for (const ChainPage page : ChainOf(contract)) {
            const auto found = last.find(PageKeyOf(contract, page));
            const PortalReplica::LoggedRequest* request =
                found == last.end() ? nullptr : found->second;
            if (page == ChainPage::Card) {
                outcome.cardRequested = request != nullptr;
                outcome.cardSpoilt = request && SpoilsContent(request->fault, page);
            } else if (!request) {
                outcome.followUpMissing = true;
            } else if (SpoilsContent(request->fault, page)) {
                outcome.followUpSpoilt = true;
            }
        }
    }
    return outcomes;
}

bool WaitForOutput(QProcess& cli, const QString& text, QString& output, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!output.contains(text)) {
        if (cli.state() == QProcess::NotRunning || timer.elapsed() > timeoutMs) return false;
        cli.waitForReadyRead(20);
        output += QString::fromUtf8(cli.readAll());
    }
    return true;
}

std::map<QString, QStringList> StoreBulkContracts(const QString& programFolder,
                                                  const QStringList& inns, int perInn) {
    TSQLiteDatabase db(programFolder + u"/db.s3db"_q);
    CreateSchema(db);
    db.ExecSQL(u"PRAGMA synchronous = OFF"_q);  // test data, no crash to survive
    std::map<QString, QStringList> urls;
    int number = 0;
    for (const QString& inn : inns) {
        for (int i = 0; i < perInn; ++i, ++number) {
            const QString url =
                u"https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber="_q +
                QString::number(1900000000000LL + number);
            const QString subject = number % 7 == 0 ? u"Поставка\tс табуляцией\r\nи строкой"_q
                                                    : u"Поставка товаров № "_q + QString::number(i);
            ReplaceContract(db, url, subject, QString::number(number % 5000), u"01.02.2024"_q,
                            u""_q, {inn});
            urls[inn] << url;
        }
    }
    return urls;
}

std::set<QString> BulkUrls(const std::map<QString, QStringList>& bulk) {
    std::set<QString> urls;
    for (const auto& [inn, stored] : bulk)
        urls.insert(stored.begin(), stored.end());
    return urls;
}

std::set<std::string> ContractsOf(const SyntheticPortal& portal, const QStringList& inns) {
    std::set<std::string> urls;
    for (const SyntheticContract& contract : portal.contracts()) {
        const auto& own = contract.expectedInns;
        for (const QString& inn : inns) {
            if (std::find(own.begin(), own.end(), inn.toStdString()) != own.end())
                urls.insert(portal.cardUrl(contract));
        }
    }
    return urls;
}

std::vector<ReportedLine> ReportedLines(const QString& programFolder) {
    std::vector<ReportedLine> lines;
    QDirIterator it(programFolder, {u"*.tab"_q}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString relative = QDir(programFolder).relativeFilePath(path);
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u"\r\n"_q)) {
            const QStringList fields = line.split(u"\"\t\""_q);
            if (fields.size() < 2 || !fields[1].startsWith(u"http"_q)) continue;
            lines.push_back(
                {relative, fields[0].mid(1), fields[1], static_cast<int>(fields.size())});
        }
    }
    return lines;
}

QStringList WorkbookProblems(const QString& programFolder) {
    std::map<QString, int> records;
    QDirIterator it(programFolder, {u"*.tab"_q}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        records[QDir(programFolder).relativeFilePath(it.next())] = 1;  // the header
    for (const ReportedLine& line : ReportedLines(programFolder))
        ++records[line.file];
    QStringList problems;
    for (const auto& [report, rows] : records) {
        const QString workbook = programFolder + u"/"_q + report.chopped(4) + u".xlsx"_q;
        if (!QFile::exists(workbook)) {
            problems << report + u": no workbook"_q;
            continue;
        }
        const int read = ReadSheet(workbook).rows;
        if (read != rows)
            problems << report + u": workbook rows "_q + QString::number(read) + u" of "_q +
                            QString::number(rows);
    }
    return problems;
}

void ExpectReportedOnce(const QString& programFolder, const std::set<QString>& expected) {
    std::map<QString, int> reported;
    for (const ReportedLine& line : ReportedLines(programFolder))
        ++reported[line.url];
    std::set<QString> seen;
    for (const auto& [url, times] : reported) {
        EXPECT_EQ(times, 1) << url.toStdString();
        seen.insert(url);
    }
    EXPECT_EQ(seen, expected) << "reported " << seen.size() << " of " << expected.size();
    const QStringList shown =
        SplitLines(ReadTextFile(programFolder + u"/shown.txt"_q).value_or(DecodedText{}).text);
    EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()), expected);
    EXPECT_EQ(WorkbookProblems(programFolder), QStringList());
}
