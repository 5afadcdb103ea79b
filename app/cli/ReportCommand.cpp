#include "app/cli/ReportCommand.h"

#include "app/CollectedReport.h"
#include "app/DatabaseOpening.h"
#include "app/cli/GivenFolder.h"
#include "platform/ProgramDir.h"
#include "platform/TextFile.h"
#include "store/SQLiteWrap.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QLocale>
#include <QTextStream>

namespace {

enum ExitCode { kDone = 0, kFailed = 1, kBadUsage = 2 };

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

bool parseDay(const QString& text, QDate& day) {
    day = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return day.isValid();
}

int report(const QString& dir, const QDate& from, const QDate& to) {
    if (const QString missing = MissingGivenFolder(dir); !missing.isEmpty()) {
        printError(missing);
        return kBadUsage;
    }
    const QString programDir = ResolveProgramDir(dir);
    const auto innFile = ReadTextFile(programDir + QStringLiteral("INNs.txt"));
    if (!innFile || innFile->text.trimmed().isEmpty()) {
        printError(QStringLiteral("Задайте список ИНН! (файл ") + programDir +
                   QStringLiteral("INNs.txt)"));
        return kBadUsage;
    }
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    if (!opening.db) {
        printError(opening.message);
        return kFailed;
    }
    QTextStream out(stdout);
    const CollectedReport result = MakeCollectedReport(
        *opening.db, programDir, innFile->text, from, to, [&out](const QString& text) {
            out << QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                << ": " << text << '\n';
            out.flush();
        });
    if (result.reportFiles.isEmpty() && result.error.isEmpty())
        out << "Новых контрактов для отчёта нет (см. shown.txt)\n";
    return result.error.isEmpty() ? kDone : kFailed;
}

}  // namespace

int ReportCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "contract-finder-cli report: составить отчёт по собранному в базе, без сбора с портала; "
        "файлы отчёта помечаются «_частичный»"));
    parser.addHelpOption();
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("папка программы (INNs.txt, db.s3db, shown.txt)"),
                                 QStringLiteral("папка"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("период листов «Итоги» и «Все контракты»: с"),
                                  QStringLiteral("дд.мм.гггг"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("по"),
                                QStringLiteral("дд.мм.гггг"));
    parser.addOptions({dir, from, to});
    if (!parser.parse(arguments)) {
        printError(QStringLiteral("Ошибка в параметрах: ") + parser.errorText() + u'\n' +
                   parser.helpText());
        return kBadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return kDone;
    }
    QDate fromDay, toDay;
    if ((parser.isSet(from) && !parseDay(parser.value(from), fromDay)) ||
        (parser.isSet(to) && !parseDay(parser.value(to), toDay))) {
        printError(QStringLiteral("Ошибка в параметрах: дата задаётся в виде дд.мм.гггг"));
        return kBadUsage;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("Ошибка в параметрах: лишний параметр ") +
                   parser.positionalArguments().first());
        return kBadUsage;
    }
    try {
        return report(parser.value(dir), fromDay, toDay);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
