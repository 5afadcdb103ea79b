#include "app/QtTranslations.h"
#include "app/cli/ContractsCommand.h"
#include "app/cli/InspectCommand.h"
#include "app/cli/ReportCommand.h"
#include "app/cli/RunCommand.h"
#include "app/cli/RunOptions.h"
#include "app/cli/RunsCommand.h"
#include "app/cli/WatchCommand.h"
#include "platform/ProgramEnd.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

int runProgram(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("contract-finder"));
    InstallQtTranslations();
    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    // "run --help" asks for the usage as "--help" alone does.
    const bool helpAsked =
        arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"));
    if (command == QLatin1String("run") && helpAsked) {
        QTextStream(stdout) << UsageText();
        return 0;
    }
    if (command == QLatin1String("run")) {
        arguments.removeAt(1);
        return RunCommand(arguments);
    }
    if (command == QLatin1String("contracts") || command == QLatin1String("report")) {
        arguments.removeAt(1);
        return command == QLatin1String("report") ? ReportCommand(arguments)
                                                  : ContractsCommand(arguments);
    }
    if (command == QLatin1String("watch") || command == QLatin1String("runs")) {
        arguments.removeAt(1);
        return command == QLatin1String("watch") ? WatchCommand(arguments) : RunsCommand(arguments);
    }
    if (command == QLatin1String("inspect")) {
        arguments.removeAt(1);
        return InspectCommand(arguments);
    }
    if (command == QLatin1String("--version")) {
        QTextStream(stdout) << QStringLiteral("contract-finder-cli " CF_VERSION "\n");
        return 0;
    }
    const bool asked = command == QLatin1String("help") || command == QLatin1String("--help") ||
                       command == QLatin1String("-h");
    if (!asked && !command.isEmpty())
        QTextStream(stderr) << QStringLiteral("Неизвестная команда «%1»\n\n").arg(command);
    QTextStream(asked ? stdout : stderr) << UsageText();
    return asked ? 0 : 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    return EndProgram(runProgram(argc, argv));
}
