#include "app/cli/RunCommand.h"

#include "app/DatabaseOpening.h"
#include "app/PortalAddress.h"
#include "app/ProgramSettings.h"
#include "app/RunAssembly.h"
#include "app/RunStartChecks.h"
#include "app/cli/ConsoleWindow.h"
#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "platform/GeneralError.h"
#include "platform/ProgramDir.h"
#include "platform/TextFile.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_interrupts{0};

void onInterrupt(int) {
    g_interrupts.fetch_add(1);
}

// kIncomplete: the run ended, but pages it gave up may hide contracts from its reports.
enum ExitCode { kDone = 0, kFailed = 1, kBadUsage = 2, kIncomplete = 3, kInterrupted = 130 };

struct RunOptions {
    QString dir;
    QDate from;
    QDate to;
    std::optional<int> threads;
    int intervalSec = 0;
    bool useProxy = false;
    bool moveDamagedDb = false;
    bool searchByInn = false;
    QString portal;
    std::optional<unsigned long> loopSleepMs;  // for tests: shorter loop pauses
    std::optional<long> requestTimeLimitMs;    // for tests: a shorter limit per request
};

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

// "dd.mm.yyyy", or empty for an unset end of the range.
bool parseDateOption(const QString& text, QDate& date) {
    if (text.isEmpty()) {
        date = QDate();
        return true;
    }
    date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return date.isValid();
}

std::optional<RunOptions> parseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("папка"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("дата"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("дата"));
    const QCommandLineOption threads(QStringLiteral("threads"), QString(), QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval"), QString(), QStringLiteral("S"));
    const QCommandLineOption proxy(QStringLiteral("proxy"));
    const QCommandLineOption byInn(QStringLiteral("by-inn"));
    const QCommandLineOption portal(QStringLiteral("portal"), QString(), QStringLiteral("адрес"));
    const QCommandLineOption loopSleep(QStringLiteral("loop-sleep-ms"), QString(),
                                       QStringLiteral("мс"));
    const QCommandLineOption moveDamaged(QStringLiteral("move-damaged-db"));
    const QCommandLineOption timeLimit(QStringLiteral("request-time-limit-ms"), QString(),
                                       QStringLiteral("мс"));
    parser.addOptions({dir, from, to, threads, interval, proxy, portal, loopSleep, moveDamaged,
                       byInn, timeLimit});
    if (!parser.parse(arguments)) {
        printError(QStringLiteral("Ошибка в параметрах: ") + parser.errorText());
        return std::nullopt;
    }
    RunOptions options;
    options.dir = parser.value(dir);
    options.from = QDate::currentDate().addDays(-7);
    if ((parser.isSet(from) && !parseDateOption(parser.value(from), options.from)) ||
        (parser.isSet(to) && !parseDateOption(parser.value(to), options.to))) {
        printError(QStringLiteral("Дата задаётся в виде дд.мм.гггг"));
        return std::nullopt;
    }
    if (parser.isSet(threads)) {
        options.threads = ProgramSettings::parseThreads(parser.value(threads));
        if (!options.threads) {
            printError(
                QStringLiteral("Ошибка в параметрах: --threads %1 — нужно число от 1 до 1000")
                    .arg(parser.value(threads)));
            return std::nullopt;
        }
    }
    options.intervalSec = qMax(0, parser.value(interval).toInt());
    options.useProxy = parser.isSet(proxy);
    options.moveDamagedDb = parser.isSet(moveDamaged);
    options.searchByInn = parser.isSet(byInn);
    options.portal = parser.value(portal);
    if (parser.isSet(loopSleep)) options.loopSleepMs = parser.value(loopSleep).toULong();
    if (parser.isSet(timeLimit)) options.requestTimeLimitMs = parser.value(timeLimit).toLong();
    return options;
}

// The database, or none after a message; a damaged file is moved aside only when asked.
std::unique_ptr<TSQLiteDatabase> openDatabase(const QString& programDir, bool moveDamaged) {
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    if (opening.damaged && moveDamaged) {
        const QString moved = MoveDamagedDatabase(programDir);
        printError(opening.message + QStringLiteral(" Файл переименован в ") + moved +
                   QStringLiteral(", начата новая база."));
        opening = OpenProgramDatabase(programDir);
    } else if (opening.damaged) {
        printError(opening.message +
                   QStringLiteral(" Запустите с параметром --move-damaged-db, чтобы переименовать "
                                  "его в db.s3db.damaged-<дата-время> и начать новую базу "
                                  "(файл не удаляется)."));
        return nullptr;
    }
    if (!opening.db) printError(opening.message);
    return std::move(opening.db);
}

int runCrawl(const RunOptions& options) {
    const QString programDir = ResolveProgramDir(options.dir);
    const ProgramSettings settings = ProgramSettings::load(programDir);
    const QString portal = options.portal.isEmpty() ? settings.portal : options.portal;
    if (!portal.isEmpty()) {
        const PortalAddressCheck address = CheckPortalAddress(portal);
        if (!address.problem.isEmpty()) {
            printError(address.problem);
            return kBadUsage;
        }
        SetPortalBase(address.base);
    }

    const auto innFile = ReadTextFile(programDir + QStringLiteral("INNs.txt"));
    const QString innList = innFile ? innFile->text : QString();
    RunStartCheck check =
        CheckRunStart({innList, options.from, options.to, options.useProxy, programDir});
    if (!options.threads && !settings.threadsProblem.isEmpty())
        check.warnings << settings.threadsProblem;
    if (!check.refusal.isEmpty()) {
        for (const QString& warning : check.warnings)
            printError(warning);
        printError(check.refusal);
        return kBadUsage;
    }
    auto db = openDatabase(programDir, options.moveDamagedDb);
    if (!db) return kFailed;

    RunSettings runSettings;
    runSettings.threadsLimit = options.threads.value_or(settings.threads);
    runSettings.requestIntervalSec = options.intervalSec;
    runSettings.useProxy = options.useProxy;
    ConsoleWindow window(runSettings, innList);
    RunControl control(window);

    QString result;
    control.onRunFinished = [&result](const QString& runResult) {
        result = runResult;
        QCoreApplication::quit();
    };
    RunParameters parameters =
        AssembleRun(*db, programDir, options.from, options.to,
                    QStandardPaths::findExecutable(QStringLiteral("tesseract")));
    if (options.loopSleepMs) parameters.loopSleepMs = *options.loopSleepMs;
    parameters.startWarnings = check.warnings;
    if (options.searchByInn) SearchListedInns(parameters, innFile ? innFile->text : QString());
    if (options.requestTimeLimitMs) parameters.requestTimeLimitMs = *options.requestTimeLimitMs;
    const auto outcome = control.Start(std::move(parameters));
    if (outcome == RunControl::StartOutcome::EmptyInnList) {
        printError(QStringLiteral("Задайте список ИНН! (файл ") + programDir +
                   QStringLiteral("INNs.txt)"));
        return kBadUsage;
    }

    // Ctrl+C takes the stop path: the run ends properly and writes its log.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer interruptWatch;
    bool stopping = false;
    QObject::connect(&interruptWatch, &QTimer::timeout, &control, [&] {
        if (g_interrupts.load() == 0 || stopping) return;
        stopping = true;
        control.StopButtonClick();
    });
    interruptWatch.start(100);
    QCoreApplication::exec();
    window.finish();
    if (stopping) return kInterrupted;
    if (result != QLatin1String("ok")) return kFailed;
    return window.outcome() == RunOutcome::Incomplete ? kIncomplete : kDone;
}

}  // namespace

int RunCommand(const QStringList& arguments) {
    const auto options = parseOptions(arguments);
    if (!options) return kBadUsage;
    try {
        return runCrawl(*options);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
