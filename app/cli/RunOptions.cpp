#include "app/cli/RunOptions.h"

#include "app/ProgramSettings.h"

#include <functional>
#include <vector>

namespace {

// One option of "run": its name, the name of its value (none for a switch),
// its help, and what it does to the options; false from `apply` refuses the value.
struct OptionSpec {
    const char16_t* name;
    const char16_t* valueName;  // null for a switch
    const char16_t* help;       // null for an option only tests use: left out of the usage
    std::function<bool(RunOptions&, const QString& value)> apply;
};

// "dd.mm.yyyy", or empty for an unset end of the range.
bool parseDate(const QString& text, QDate& date) {
    if (text.isEmpty()) {
        date = QDate();
        return true;
    }
    date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return date.isValid();
}

// A whole number within [low, high]; anything else (letters, a sign, blanks) is refused.
template <typename T>
bool parseNumber(const QString& text, T low, T high, T& out) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || text.trimmed() != text || text.startsWith(QLatin1Char('+'))) return false;
    if (value < static_cast<qlonglong>(low) || value > static_cast<qlonglong>(high)) return false;
    out = static_cast<T>(value);
    return true;
}

const std::vector<OptionSpec>& specs() {
    static const std::vector<OptionSpec> table = {
        {u"dir", u"папка", u"папка программы (settings.ini, INNs.txt, db.s3db, отчёты, логи)",
         [](RunOptions& o, const QString& v) {
             o.dir = v;
             return true;
         }},
        {u"from", u"дд.мм.гггг", u"начало периода (по умолчанию неделя назад; пусто - не задано)",
         [](RunOptions& o, const QString& v) { return parseDate(v, o.from); }},
        {u"to", u"дд.мм.гггг", u"конец периода (по умолчанию не задан)",
         [](RunOptions& o, const QString& v) { return parseDate(v, o.to); }},
        {u"threads", u"N", u"число потоков (1..1000, по умолчанию из settings.ini)",
         [](RunOptions& o, const QString& v) {
             o.threads = ProgramSettings::parseThreads(v);
             return o.threads.has_value();
         }},
        {u"interval", u"S", u"пауза между прямыми запросами, секунд (0..3600)",
         [](RunOptions& o, const QString& v) { return parseNumber(v, 0, 3600, o.intervalSec); }},
        {u"proxy", nullptr, u"работать через прокси из proxy.txt",
         [](RunOptions& o, const QString&) {
             o.useProxy = true;
             return true;
         }},
        {u"by-inn", nullptr,
         u"искать только по ИНН из списка (быстро; не найдёт контракт 223-ФЗ,\n"
         u"поставщик которого назван только в протоколе комиссии)",
         [](RunOptions& o, const QString&) {
             o.searchByInn = true;
             return true;
         }},
        {u"stages", u"first|all",
         u"этапы контрактов: first - только исполняемые, all - все этапы\n"
         u"(по умолчанию из settings.ini, иначе first)",
         [](RunOptions& o, const QString& v) {
             o.stages = ProgramSettings::parseStages(v);
             return o.stages.has_value();
         }},
        {u"portal", u"адрес", u"адрес портала (по умолчанию https://zakupki.gov.ru)",
         [](RunOptions& o, const QString& v) {
             o.portal = v;
             return true;
         }},
        {u"move-damaged-db", nullptr,
         u"повреждённый db.s3db переименовать в db.s3db.damaged-<дата-время>\n"
         u"и начать новую базу (старый файл не удаляется)",
         [](RunOptions& o, const QString&) {
             o.moveDamagedDb = true;
             return true;
         }},
        {u"loop-sleep-ms", u"мс", nullptr,
         [](RunOptions& o, const QString& v) {
             unsigned long ms = 0;
             if (!parseNumber(v, 0ul, 60000ul, ms)) return false;
             o.loopSleepMs = ms;
             return true;
         }},
        {u"request-time-limit-ms", u"мс", nullptr,
         [](RunOptions& o, const QString& v) {
             long ms = 0;
             if (!parseNumber(v, 1l, 3600000l, ms)) return false;
             o.requestTimeLimitMs = ms;
             return true;
         }},
    };
    return table;
}

const OptionSpec* findSpec(const QString& name) {
    for (const OptionSpec& known : specs()) {
        if (name == QString::fromUtf16(known.name)) return &known;
    }
    return nullptr;
}

}  // namespace

std::optional<RunOptions> ParseRunOptions(const QStringList& arguments, QString& error) {
    RunOptions options;
    options.from = QDate::currentDate().addDays(-7);
    // arguments[0] is the program.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("Ошибка в параметрах: лишний параметр «%1»").arg(argument);
            return std::nullopt;
        }
        QString name = argument.mid(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const OptionSpec* known = findSpec(name);
        if (!known) {
            error = QStringLiteral("Ошибка в параметрах: неизвестный параметр «--%1»").arg(name);
            return std::nullopt;
        }
        if (!known->valueName && value) {
            error = QStringLiteral("Ошибка в параметрах: --%1 задаётся без значения").arg(name);
            return std::nullopt;
        }
        if (known->valueName && !value) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("Ошибка в параметрах: для --%1 нужно значение (%2)")
                            .arg(name, QString::fromUtf16(known->valueName));
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (!known->apply(options, value.value_or(QString()))) {
            error = QStringLiteral("Ошибка в параметрах: --%1 %2 — неверное значение (%3)")
                        .arg(name, *value, QString::fromUtf16(known->valueName));
            if (known->help) error += QStringLiteral("; ") + QString::fromUtf16(known->help);
            error.replace(QLatin1Char('\n'), QLatin1Char(' '));
            return std::nullopt;
        }
    }
    return options;
}

QString UsageText() {
    QString text = QStringLiteral(
        "Использование: contract-finder-cli <команда> [параметры]\n"
        "               contract-finder-cli --help | --version\n"
        "\n"
        "Команды:\n"
        "  run       собрать контракты с портала и составить отчёты по ИНН из INNs.txt\n"
        "  inspect   показать, что программа прочтёт из сохранённой страницы или документа:\n"
        "            inspect --url <адрес[|||адрес карточки]> <файл> [--json]\n"
        "  watch     проверить новые контракты (поиск по ИНН за дни после последней успешной\n"
        "            проверки) и показать уведомление; расписание ежедневной проверки:\n"
        "            watch [--dir <папка>] [--install <ЧЧ:ММ> | --remove | --status]\n"
        "  runs      последние запуски: runs [--dir <папка>] [--last <N>]\n"
        "\n"
        "Параметры команды run:\n");
    constexpr int kHelpColumn = 24;
    for (const OptionSpec& known : specs()) {
        if (!known.help) continue;
        QString head = QStringLiteral("  --") + QString::fromUtf16(known.name);
        if (known.valueName)
            head += QStringLiteral(" <%1>").arg(QString::fromUtf16(known.valueName));
        head = head.leftJustified(kHelpColumn - 1) + QLatin1Char(' ');
        const QString indent(kHelpColumn, QLatin1Char(' '));
        text +=
            head +
            QString::fromUtf16(known.help).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent) +
            QLatin1Char('\n');
    }
    text += QStringLiteral(
        "  -h, --help              показать эту справку\n"
        "\n"
        "Ctrl+C (а также SIGTERM и SIGHUP) останавливает сбор; лог работы всё равно\n"
        "записывается. Повторный Ctrl+C завершает программу сразу.\n"
        "Коды выхода: 0 - готово, 1 - ошибка, 2 - неверные параметры или отказ до начала\n"
        "сбора, 3 - собрано не полностью (часть страниц поиска не прочитана), 130 -\n"
        "остановлено.\n");
    return text;
}
