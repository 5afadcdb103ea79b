#pragma once

#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Whole runs of the program (the console front end, a child process) against the portal replica,
// and what a run leaves behind, read back for the checks of the end-to-end campaigns.

// A program folder inside a fresh temporary folder of its own, and a separate working folder
// for the child: whatever a run writes outside the program folder shows up in one of the two.
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const;     // the program folder, without a trailing "/"
    QString workDir() const;  // the child's working folder
    // Names of files and folders under the enclosing folder that are neither the program
    // folder nor the (empty) working folder: must stay empty.
    QStringList strayEntries() const;
    // Files left in the program folder besides the run's own (database, lists, reports, logs).
    QStringList leftovers() const;
    void writeInns(const QStringList& lines) const;

private:
    QTemporaryDir outer_;
};

struct CliRun {
    CliRun(QString folderPath, std::string portalBase)
        : folder(std::move(folderPath)), portal(std::move(portalBase)) {}

    QString folder;
    std::string portal;  // replica base address
    QString from = QStringLiteral("01.02.2024"), to = QStringLiteral("29.02.2024");
    int threads = 4;
    QStringList extraArguments;  // after the usual ones
};

// A synthetic portal whose contracts all fall in February 2024, the dates a CliRun searches,
// with the given numbers of contracts of each registry and of scanned protocols among the 223-FZ
// ones.
SyntheticPortalConfig FebruaryPortal(unsigned seed, int contracts44, int contractsCapital,
                                     int contracts223, int ocrContracts = 0);

// Starts "contract-finder-cli run" for the folder; the caller waits or kills.
std::unique_ptr<QProcess> StartCli(const CliRun& run, const QString& workDir);
// Runs it to its end (at most timeoutMs); gives the exit code (-1 on time-out) and the output.
int RunCli(const CliRun& run, const QString& workDir, QString& output, int timeoutMs = 900000);

// Reads the child's output until it holds the text or the child ends (at most timeoutMs);
// true when the text came.
bool WaitForOutput(QProcess& cli, const QString& text, QString& output, int timeoutMs = 300000);

// Stores contracts straight into the folder's database (created with its schema when
// missing), perInn for each INN, under addresses of their own, so that a report stage has
// many lines to write. Some subjects hold tabs and line breaks. Gives the addresses by INN.
std::map<QString, QStringList> StoreBulkContracts(const QString& programFolder,
                                                  const QStringList& inns, int perInn);

// Every address StoreBulkContracts stored.
std::set<QString> BulkUrls(const std::map<QString, QStringList>& bulk);
// The card addresses of the portal's contracts that a correct crawl stores under one of the
// INNs: what a report of those INNs lists.
std::set<std::string> ContractsOf(const SyntheticPortal& portal, const QStringList& inns);

// One data line of a report file, as the file holds it.
struct ReportedLine {
    QString file;  // relative to the program folder
    QString inn, url;
    int fields = 0;  // the fields the line splits into at quote-tab-quote
};
// Every data line of every ".tab" file in the program folder and its group folders.
std::vector<ReportedLine> ReportedLines(const QString& programFolder);
// For every ".tab" file, the problems with its workbook: missing, unreadable, or holding
// another number of rows than the report's lines (header included). Empty when all sound.
QStringList WorkbookProblems(const QString& programFolder);

// Expectations on a run's reports: across the folder's report files every expected address is
// listed exactly once and no other one, shown.txt holds the same addresses, and every report
// file has a whole workbook.
void ExpectReportedOnce(const QString& programFolder, const std::set<QString>& expected);

// One stored contract, as the database holds it.
struct StoredContract {
    std::string subject, conclusion, execution;
    double amount = 0;
    std::vector<std::string> inns;  // sorted
    bool pending = false;           // marked as waiting for its follow-up pages
};

// Every stored contract by url. Opens the database file read-only.
std::map<std::string, StoredContract> ReadStore(const QString& programFolder);
// Expectations on a stored contract: subject, amount and dates as the portal's card shows them
// (its INNs are checked apart, as they may come later than the card).
void ExpectStoredFields(const StoredContract& got, const SyntheticContract& contract);
// "PRAGMA integrity_check" of the database file: "ok" when sound.
QString IntegrityCheck(const QString& programFolder);

// The pages a contract's crawl goes through.
enum class ChainPage { Card, SupplierList, Notice, Documents, Download };
// The pages of the contract's route, card first.
std::vector<ChainPage> ChainOf(const SyntheticContract& contract);

// A fault that spoils the content of an answer the program takes as given: the page is read
// but yields nothing (unlike transport faults, which the program retries).
bool SpoilsContent(PortalReplica::Fault fault, ChainPage page);

// Per-contract summary of a run's requests: the fault of the last request of each chain page.
struct ChainOutcome {
    bool cardRequested = false;
    bool cardSpoilt = false;       // the card's last answer was spoilt
    bool followUpSpoilt = false;   // a follow-up page's last answer was spoilt
    bool followUpMissing = false;  // a follow-up page of the route was never requested
};
// Every request of the contract's chain pages with its status and fault, one per line: for
// failure messages.
std::string ChainHistory(const SyntheticContract& contract,
                         const std::vector<PortalReplica::LoggedRequest>& requests);

std::map<std::string, ChainOutcome> ChainOutcomes(
    const SyntheticPortal& portal, const std::vector<PortalReplica::LoggedRequest>& requests);
