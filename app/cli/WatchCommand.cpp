#include "app/cli/WatchCommand.h"

#include "app/DatabaseOpening.h"
#include "app/ProgramSettings.h"
#include "app/WatchDates.h"
#include "app/WatchNotice.h"
#include "app/WatchSchedule.h"
#include "app/cli/GivenFolder.h"
#include "app/cli/RunCommand.h"
#include "app/cli/RunOptions.h"
#include "app/notify/DesktopNotifier.h"
#include "platform/FileLock.h"
#include "platform/ProgramDir.h"
#include "store/RunHistory.h"
#include "store/SQLiteWrap.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTextStream>
#include <memory>

namespace {

// How long a watch waits for «Открыть отчёт» before it ends; the report stays in the window's
// history of runs after that.
constexpr int kActionWaitMs = 5 * 60 * 1000;

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

void logLine(const QString& text) {
    QTextStream(stdout) << QDateTime::currentDateTime().toString(
                               QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                        << ": " << text << '\n';
}

int failedWatchesInARow(const QString& programDir) {
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    return opening.db ? FailedWatchesInARow(*opening.db) : 0;
}

// What the desktop is told after the watch: its new contracts, or, at the third failure in a
// row, that the checks fail. Without a session bus or notification service: a log line only.
void notifyAfter(const QString& programDir, const ConsoleRun& run, int waitMs) {
    std::optional<WatchNotice> notice;
    if (run.record->end == RunEnd::Failed) {
        const int failures = failedWatchesInARow(programDir);
        if (failures == kFailedWatchesToNotify)
            notice = FailingChecksNotice(failures, run.record->failure, run.record->logFile);
    } else if (run.summary) {
        notice = NewContractsNotice(*run.summary);
    }
    if (!notice) return;
    DesktopNotifier notifier;
    const DesktopNotifier::Result result = notifier.notify(*notice, waitMs);
    if (!result.shown) {
        logLine(QStringLiteral("Уведомление не показано: ") + result.problem);
        return;
    }
    logLine(QStringLiteral("Показано уведомление: ") + notice->summary);
    if (result.opened) logLine(QStringLiteral("Открыт отчёт ") + notice->openPath);
}

struct WatchOptions {
    QString dir;
    QString portal;
    QDate today;
    int threads = 0;
    int loopSleepMs = -1;
    int requestTimeLimitMs = 0;
    int actionWaitMs = kActionWaitMs;
};

int watchOnce(const WatchOptions& watch) {
    const QString programDir = ResolveProgramDir(watch.dir);
    // Two watches of one folder never run at once: the second has nothing to add to the
    // first's days, so it skips rather than repeat them.
    std::unique_ptr<FileLock> lock;
    try {
        lock = std::make_unique<FileLock>(programDir + QStringLiteral("watch.lock"),
                                          std::function<void()>{}, [] { return true; });
    } catch (const ELockWaitStopped&) {
        logLine(QStringLiteral("Проверка новых контрактов в папке %1 уже идёт; эта проверка "
                               "пропущена")
                    .arg(QDir::toNativeSeparators(programDir)));
        return kDone;
    }
    const ProgramSettings settings = ProgramSettings::load(programDir);
    std::optional<RunRecord> last;
    {
        DatabaseOpening opening = OpenProgramDatabase(programDir);
        if (opening.db) last = LastSuccessfulWatch(*opening.db);
    }
    const WatchDates dates =
        WatchDatesFor(last, settings.watchOverlapDays,
                      watch.today.isValid() ? watch.today : QDate::currentDate());
    RunOptions options;
    options.dir = programDir;
    options.from = dates.from;
    options.to = dates.to;
    options.searchByInn = true;
    options.portal = watch.portal;
    if (watch.threads > 0) options.threads = watch.threads;
    if (watch.loopSleepMs >= 0) options.loopSleepMs = watch.loopSleepMs;
    if (watch.requestTimeLimitMs > 0) options.requestTimeLimitMs = watch.requestTimeLimitMs;
    ConsoleRun run;
    run.mode = RunMode::Watch;
    run.startLines << dates.logLine;
    const int code = RunConsoleCrawl(options, run);
    if (run.record && code != kInterrupted) notifyAfter(programDir, run, watch.actionWaitMs);
    return code;
}

void printStatus(const QString& programDir) {
    QTextStream out(stdout);
    const WatchScheduleState state = ReadWatchSchedule(programDir, QDateTime::currentDateTime());
    if (state.installed) {
        out << QStringLiteral("Автоматическая проверка: каждый день в %1 (таймер %2.timer в %3)\n")
                   .arg(state.at.toString(QStringLiteral("HH:mm")), WatchUnitName(programDir),
                        UserUnitFolder());
        out << QStringLiteral("Следующая проверка: %1\n")
                   .arg(state.next.toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    } else {
        out << QStringLiteral("Автоматическая проверка не назначена\n");
    }
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    if (!opening.db) return;
    const auto runs = LastRuns(*opening.db, 1, RunMode::Watch);
    if (runs.empty()) {
        out << QStringLiteral("Проверок ещё не было\n");
        return;
    }
    const RunRecord& last = runs.front();
    out << QStringLiteral("Последняя проверка: %1, %2")
               .arg(last.ended.toString(QStringLiteral("dd.MM.yyyy HH:mm")), RunEndName(last.end));
    if (last.end == RunEnd::Failed)
        out << " (" << last.failure << ")\n";
    else
        out << QStringLiteral(", новых контрактов: %1\n").arg(last.newContracts);
    if (const int failures = FailedWatchesInARow(*opening.db); failures > 1)
        out << QStringLiteral("Неудачных проверок подряд: %1\n").arg(failures);
}

}  // namespace

int WatchCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "contract-finder-cli watch: проверить новые контракты поставщиков из INNs.txt (поиск по "
        "ИНН за дни после последней успешной проверки) и показать уведомление; с --install, "
        "--remove, --status - расписание ежедневной проверки"));
    parser.addHelpOption();
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("папка программы"),
                                 QStringLiteral("папка"));
    const QCommandLineOption install(QStringLiteral("install"),
                                     QStringLiteral("проверять каждый день в это время"),
                                     QStringLiteral("ЧЧ:ММ"));
    const QCommandLineOption remove(QStringLiteral("remove"),
                                    QStringLiteral("отключить ежедневную проверку"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("показать расписание и последнюю проверку"));
    QCommandLineOption portal(QStringLiteral("portal"), QStringLiteral("адрес портала"),
                              QStringLiteral("адрес"));
    // For tests: the day the watch takes for today, and the run's shorter pauses.
    QCommandLineOption today(QStringLiteral("today"), QString(), QStringLiteral("дд.мм.гггг"));
    QCommandLineOption threads(QStringLiteral("threads"), QString(), QStringLiteral("N"));
    QCommandLineOption loopSleep(QStringLiteral("loop-sleep-ms"), QString(), QStringLiteral("мс"));
    QCommandLineOption timeLimit(QStringLiteral("request-time-limit-ms"), QString(),
                                 QStringLiteral("мс"));
    QCommandLineOption actionWait(QStringLiteral("action-wait-ms"), QString(),
                                  QStringLiteral("мс"));
    for (QCommandLineOption* hidden :
         {&portal, &today, &threads, &loopSleep, &timeLimit, &actionWait})
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions(
        {dir, install, remove, status, portal, today, threads, loopSleep, timeLimit, actionWait});
    if (!parser.parse(arguments)) {
        printError(QStringLiteral("Ошибка в параметрах: ") + parser.errorText());
        return kBadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return kDone;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("Ошибка в параметрах: лишний параметр ") +
                   parser.positionalArguments().first());
        return kBadUsage;
    }
    if (int(parser.isSet(install)) + int(parser.isSet(remove)) + int(parser.isSet(status)) > 1) {
        printError(
            QStringLiteral("Ошибка в параметрах: --install, --remove и --status "
                           "задаются по одному"));
        return kBadUsage;
    }
    const QString folder = parser.value(dir);
    if (const QString missing = MissingGivenFolder(folder); !missing.isEmpty()) {
        printError(missing);
        return kBadUsage;
    }
    try {
        const QString programDir = ResolveProgramDir(folder);
        if (parser.isSet(install)) {
            const QTime at = QTime::fromString(parser.value(install), QStringLiteral("H:mm"));
            if (!at.isValid()) {
                printError(QStringLiteral("Ошибка в параметрах: --install %1 — время задаётся "
                                          "в виде ЧЧ:ММ")
                               .arg(parser.value(install)));
                return kBadUsage;
            }
            const ScheduleChange change =
                InstallWatchSchedule(programDir, QCoreApplication::applicationFilePath(), at);
            QTextStream(stdout) << change.message << '\n';
            return change.done ? kDone : kFailed;
        }
        if (parser.isSet(remove)) {
            QTextStream(stdout) << RemoveWatchSchedule(programDir).message << '\n';
            return kDone;
        }
        if (parser.isSet(status)) {
            printStatus(programDir);
            return kDone;
        }
        WatchOptions watch;
        watch.dir = programDir;
        watch.portal = parser.value(portal);
        watch.today = QDate::fromString(parser.value(today), QStringLiteral("dd.MM.yyyy"));
        watch.threads = parser.value(threads).toInt();
        if (parser.isSet(loopSleep)) watch.loopSleepMs = parser.value(loopSleep).toInt();
        watch.requestTimeLimitMs = parser.value(timeLimit).toInt();
        if (parser.isSet(actionWait)) watch.actionWaitMs = parser.value(actionWait).toInt();
        return watchOnce(watch);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
