#include "app/cli/RunCommand.h"

#include "app/DatabaseOpening.h"
#include "app/PortalAddress.h"
#include "app/ProgramSettings.h"
#include "app/RunAssembly.h"
#include "app/RunRecording.h"
#include "app/RunStartChecks.h"
#include "app/StartupChecks.h"
#include "app/cli/ConsoleWindow.h"
#include "app/cli/GivenFolder.h"
#include "app/cli/RunOptions.h"
#include "crawl/PortalSearch.h"
#include "crawl/RunControl.h"
#include "platform/ExternalPrograms.h"
#include "platform/GeneralError.h"
#include "platform/ProgramDir.h"
#include "platform/StopSignals.h"
#include "platform/TextFile.h"
#include "report/InnListCheck.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

namespace {

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

// The database, or none after a message; a damaged file is moved aside only
// when asked, and otherwise refused (`refused`: a usage error, not a failure).
std::unique_ptr<TSQLiteDatabase> openDatabase(const QString& programDir, bool moveDamaged,
                                              bool& refused) {
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
        refused = true;
        return nullptr;
    }
    if (!opening.db) printError(opening.message);
    return std::move(opening.db);
}

}  // namespace

int RunConsoleCrawl(const RunOptions& options, ConsoleRun& run) {
    const QDateTime started = QDateTime::currentDateTime();
    if (const QString missing = MissingGivenFolder(options.dir); !missing.isEmpty()) {
        printError(missing);
        return kBadUsage;
    }
    const QString programDir = ResolveProgramDir(options.dir);
    // Without --dir the console reads what the window reads: the settings and
    // the INN list beside the program while the data folder has none.
    DataFolderPlacement placement;
    if (options.dir.isEmpty()) {
        const QString programFileDir = QCoreApplication::applicationDirPath();
        const QString adopted = AdoptProgramFolderSettings(programDir, programFileDir);
        if (!adopted.isEmpty())
            printError(QStringLiteral("Настройки взяты из файла %1").arg(adopted));
        placement = DescribeDataFolder(programDir, programFileDir);
    }
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

    const QString innPath = placement.firstUseInnList.isEmpty()
                                ? programDir + QStringLiteral("INNs.txt")
                                : placement.firstUseInnList;
    const auto innFile = ReadTextFile(innPath);
    if (!innFile) {
        printError(QStringLiteral("Задайте список ИНН: нет файла %1")
                       .arg(QDir::toNativeSeparators(innPath)));
        return kBadUsage;
    }
    if (!placement.firstUseInnList.isEmpty())
        printError(QStringLiteral("Список ИНН взят из файла %1").arg(innPath));
    const QString innList = innFile->text;
    RunStartCheck check =
        CheckRunStart({innList, options.from, options.to, options.useProxy, programDir});
    if (!options.threads && !settings.threadsProblem.isEmpty())
        check.warnings << settings.threadsProblem;
    if (!options.stages) check.warnings << settings.problems;
    if (!check.refusal.isEmpty()) {
        for (const QString& warning : check.warnings)
            printError(warning);
        printError(check.refusal);
        return kBadUsage;
    }
    bool refused = false;
    auto db = openDatabase(programDir, options.moveDamagedDb, refused);
    if (!db) return refused ? kBadUsage : kFailed;

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
        AssembleRun(*db, programDir, options.from, options.to, FindOcrEngine());
    if (options.loopSleepMs) parameters.loopSleepMs = *options.loopSleepMs;
    parameters.startWarnings = run.startLines + check.warnings;
    parameters.stages = options.stages.value_or(settings.stages);
    parameters.supplierFilters = settings.supplierFilters;
    parameters.accountNotes = check.accountNotes;
    parameters.listedInns = ValidInns(innList);
    if (options.searchByInn) SearchListedInns(parameters, innList);
    if (options.requestTimeLimitMs) parameters.requestTimeLimitMs = *options.requestTimeLimitMs;
    WatchStopSignals();
    const auto outcome = control.Start(std::move(parameters));
    ReceiveStopSignals();
    if (outcome == RunControl::StartOutcome::EmptyInnList) {
        printError(QStringLiteral("Задайте список ИНН! (файл ") + programDir +
                   QStringLiteral("INNs.txt)"));
        return kBadUsage;
    }

    // Ctrl+C takes the stop path: the run ends properly and writes its log.
    QTimer interruptWatch;
    bool stopping = false;
    QObject::connect(&interruptWatch, &QTimer::timeout, &control, [&] {
        if (StopRequests() == 0 || stopping) return;
        stopping = true;
        printError(
            QStringLiteral("Останавливаем работу; повторный Ctrl+C завершит программу "
                           "сразу"));
        control.StopButtonClick();
    });
    interruptWatch.start(100);
    QCoreApplication::exec();
    window.finish();
    const int code = stopping                                     ? kInterrupted
                     : result != QLatin1String("ok")              ? kFailed
                     : window.outcome() == RunOutcome::Incomplete ? kIncomplete
                                                                  : kDone;
    if (window.summary()) {
        RunRecord record = RunRecordOf(*window.summary(), run.mode, started, options.from,
                                       options.to, ValidInns(innList));
        if (code == kFailed) {
            record.end = RunEnd::Failed;
            if (record.failure.isEmpty()) record.failure = result.mid(6);  // after "ERROR_"
        }
        const QString problem = WriteRunRecord(*db, record);
        if (!problem.isEmpty()) printError(problem);
        run.summary = window.summary();
        run.record = record;
    }
    return code;
}

int RunCommand(const QStringList& arguments) {
    QString error;
    const auto options = ParseRunOptions(arguments, error);
    if (!options) {
        printError(error);
        printError(QStringLiteral("Справка: contract-finder-cli --help"));
        return kBadUsage;
    }
    try {
        ConsoleRun run;
        return RunConsoleCrawl(*options, run);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
