#include "app/cli/ContractsCommand.h"
#include "app/cli/InspectCommand.h"
#include "app/cli/ReportCommand.h"
#include "app/cli/RunCommand.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char* const kUsage =
    "Использование: contract-finder-cli <команда> [параметры]\n"
    "               contract-finder-cli --help | --version\n"
    "\n"
    "Команды:\n"
    "  run       собрать контракты с портала и составить отчёты по ИНН из INNs.txt\n"
    "  inspect   показать, что программа прочтёт из сохранённой страницы или документа:\n"
    "            inspect --url <адрес[|||адрес карточки]> <файл> [--json]\n"
    "\n"
    "Параметры команды run:\n"
    "  --dir <папка>       папка программы (settings.ini, INNs.txt, db.s3db, отчёты, логи)\n"
    "  --from <дд.мм.гггг> начало периода (по умолчанию неделя назад; пусто - не задано)\n"
    "  --to <дд.мм.гггг>   конец периода (по умолчанию не задан)\n"
    "  --threads <N>       число потоков (1..1000, по умолчанию из settings.ini)\n"
    "  --interval <S>      пауза между прямыми запросами, секунд\n"
    "  --proxy             работать через прокси из proxy.txt\n"
    "  --by-inn            искать только по ИНН из списка (быстро; не найдёт контракт 223-ФЗ,\n"
    "                      поставщик которого назван только в протоколе комиссии)\n"
    "  --stages first|all  этапы контрактов: first - только исполняемые (по умолчанию из\n"
    "                      settings.ini, иначе first), all - все этапы\n"
    "  --portal <адрес>    адрес портала (по умолчанию https://zakupki.gov.ru)\n"
    "  --move-damaged-db   повреждённый db.s3db переименовать в db.s3db.damaged-<дата-время>\n"
    "                      и начать новую базу (старый файл не удаляется)\n"
    "  -h, --help          показать эту справку\n"
    "\n"
    "Ctrl+C останавливает сбор; лог работы всё равно записывается.\n"
    "Коды выхода: 0 - готово, 1 - ошибка, 2 - неверные параметры, 3 - собрано не\n"
    "полностью (часть страниц поиска не прочитана), 130 - остановлено.\n";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("contract-finder"));
    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    // "run --help" asks for the usage as "--help" alone does.
    const bool helpAsked =
        arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"));
    if (command == QLatin1String("run") && helpAsked) {
        QTextStream(stdout) << QString::fromUtf8(kUsage);
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
    QTextStream(asked ? stdout : stderr) << QString::fromUtf8(kUsage);
    return asked ? 0 : 2;
}
