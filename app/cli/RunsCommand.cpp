#include "app/cli/RunsCommand.h"

#include "app/DatabaseOpening.h"
#include "app/WatchNotice.h"
#include "app/cli/GivenFolder.h"
#include "app/cli/RunCommand.h"
#include "platform/ProgramDir.h"
#include "store/RunHistory.h"
#include "store/SQLiteWrap.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

QString dayText(const QDate& day) {
    return day.isValid() ? day.toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("…");
}

// One run in two lines: when, how, over which days and how it ended; then its files.
QString runText(const RunRecord& run) {
    QString text = QStringLiteral(
                       "%1 – %2  %3  %4–%5  %6: прочитано карточек %7, сохранено %8, "
                       "новых контрактов %9 на %10")
                       .arg(run.started.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                            run.ended.toString(QStringLiteral("HH:mm")), RunModeName(run.mode),
                            dayText(run.from), dayText(run.to), RunEndName(run.end))
                       .arg(run.cardsRead)
                       .arg(run.cardsStored)
                       .arg(run.newContracts)
                       .arg(RoublesText(run.newSum));
    if (!run.failure.isEmpty()) text += QStringLiteral(" (%1)").arg(run.failure);
    text += QStringLiteral("\n    лог: ") + run.logFile;
    if (!run.reportFile.isEmpty()) text += QStringLiteral("; отчёт: ") + run.reportFile;
    return text + u'\n';
}

}  // namespace

int RunsCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("contract-finder-cli runs: последние запуски (окно, консоль, проверки), "
                       "новые сверху"));
    parser.addHelpOption();
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("папка программы"),
                                 QStringLiteral("папка"));
    const QCommandLineOption last(QStringLiteral("last"),
                                  QStringLiteral("сколько запусков показать (по умолчанию 20)"),
                                  QStringLiteral("N"), QStringLiteral("20"));
    parser.addOptions({dir, last});
    const bool parsed = parser.parse(arguments);
    bool ok = false;
    const int count = parser.value(last).toInt(&ok);
    if (!parsed || !ok || count < 1 || !parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("Ошибка в параметрах: ") +
                   (parser.errorText().isEmpty() ? QStringLiteral("--last задаётся числом от 1")
                                                 : parser.errorText()));
        return kBadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return kDone;
    }
    const QString folder = parser.value(dir);
    if (const QString missing = MissingGivenFolder(folder); !missing.isEmpty()) {
        printError(missing);
        return kBadUsage;
    }
    try {
        DatabaseOpening opening = OpenProgramDatabase(ResolveProgramDir(folder));
        if (!opening.db) {
            printError(opening.message);
            return kFailed;
        }
        const auto runs = LastRuns(*opening.db, count);
        QTextStream out(stdout);
        if (runs.empty()) out << QStringLiteral("Запусков ещё не было\n");
        for (const RunRecord& run : runs)
            out << runText(run);
        return kDone;
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
