#include "app/cli/ContractsCommand.h"

#include "app/ContractListing.h"
#include "app/DatabaseOpening.h"
#include "app/cli/GivenFolder.h"
#include "platform/GeneralError.h"
#include "platform/ProgramDir.h"
#include "platform/TextFile.h"
#include "report/WorkbookSheets.h"
#include "store/SQLiteWrap.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

enum ExitCode { kDone = 0, kFailed = 1, kBadUsage = 2 };

struct Options {
    QString dir;
    ContractFilter filter;
    QString inn;
    QString group;
    QString xlsx;
    bool tsv = false;
};

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption dir{QStringLiteral("dir"),
                           QStringLiteral("папка программы (db.s3db, INNs.txt)"),
                           QStringLiteral("папка")};
    QCommandLineOption inn{QStringLiteral("inn"), QStringLiteral("только этот ИНН"),
                           QStringLiteral("ИНН")};
    QCommandLineOption group{QStringLiteral("group"),
                             QStringLiteral("только ИНН этой группы списка"),
                             QStringLiteral("группа")};
    QCommandLineOption from{QStringLiteral("from"), QStringLiteral("заключены не раньше этой даты"),
                            QStringLiteral("дд.мм.гггг")};
    QCommandLineOption to{QStringLiteral("to"), QStringLiteral("заключены не позже этой даты"),
                          QStringLiteral("дд.мм.гггг")};
    QCommandLineOption registry{QStringLiteral("registry"),
                                QStringLiteral("только реестр 44, 223 или 615 (капремонт); "
                                               "можно повторить"),
                                QStringLiteral("реестр")};
    QCommandLineOption all{QStringLiteral("all"), QStringLiteral("все сохранённые (по умолчанию)")};
    QCommandLineOption fresh{QStringLiteral("new"),
                             QStringLiteral("только новые в последнем отчёте")};
    QCommandLineOption xlsx{QStringLiteral("xlsx"), QStringLiteral("записать в книгу Excel"),
                            QStringLiteral("файл")};
    QCommandLineOption tsv{QStringLiteral("tsv"),
                           QStringLiteral("вывести через табуляцию (итог - в stderr)")};

    Parser() {
        parser.setApplicationDescription(QStringLiteral(
            "contract-finder-cli contracts: контракты из базы по ИНН списка INNs.txt, с итогом"));
        parser.addHelpOption();
        parser.addOptions({dir, inn, group, from, to, registry, all, fresh, xlsx, tsv});
    }
};

void printError(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

bool parseDay(const QString& text, QDate& day) {
    day = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return day.isValid();
}

// A message for the first bad value, or empty.
QString readOptions(Parser& p, Options& o) {
    o.dir = p.parser.value(p.dir);
    if (p.parser.isSet(p.inn) && p.parser.isSet(p.group))
        return QStringLiteral("--inn и --group вместе не задаются");
    if (p.parser.isSet(p.all) && p.parser.isSet(p.fresh))
        return QStringLiteral("--all и --new вместе не задаются");
    if (p.parser.isSet(p.xlsx) && p.parser.isSet(p.tsv))
        return QStringLiteral("--xlsx и --tsv вместе не задаются");
    o.inn = p.parser.value(p.inn).trimmed();
    if (p.parser.isSet(p.inn) && !LooksLikeInn(o.inn))
        return QStringLiteral("--inn %1 — нужен ИНН из 10 или 12 цифр").arg(o.inn);
    o.group = p.parser.value(p.group);
    if (p.parser.isSet(p.group) && o.group.trimmed().isEmpty())
        return QStringLiteral("--group — нужно имя группы");
    if (p.parser.isSet(p.from) && !parseDay(p.parser.value(p.from), o.filter.from))
        return QStringLiteral("--from %1 — дата задаётся в виде дд.мм.гггг")
            .arg(p.parser.value(p.from));
    if (p.parser.isSet(p.to) && !parseDay(p.parser.value(p.to), o.filter.to))
        return QStringLiteral("--to %1 — дата задаётся в виде дд.мм.гггг")
            .arg(p.parser.value(p.to));
    if (o.filter.from.isValid() && o.filter.to.isValid() && o.filter.from > o.filter.to)
        return QStringLiteral("--from позже --to");
    for (const QString& code : p.parser.values(p.registry)) {
        const auto registry = RegistryFromCode(code.trimmed());
        if (!registry) return QStringLiteral("--registry %1 — нужно 44, 223 или 615").arg(code);
        o.filter.registries.push_back(*registry);
    }
    o.filter.onlyNew = p.parser.isSet(p.fresh);
    o.xlsx = p.parser.value(p.xlsx);
    if (p.parser.isSet(p.xlsx) && o.xlsx.isEmpty()) return QStringLiteral("--xlsx — нужен файл");
    o.tsv = p.parser.isSet(p.tsv);
    if (!p.parser.positionalArguments().isEmpty())
        return QStringLiteral("лишний параметр: ") + p.parser.positionalArguments().first();
    return {};
}

QString day(const QDate& date) {
    return date.isValid() ? date.toString(u"dd.MM.yyyy") : QString();
}

void printText(const std::vector<StoredContract>& contracts, QTextStream& out) {
    for (const StoredContract& c : contracts) {
        out << c.inn << "  " << RegistryName(c.registry) << "  " << day(c.conclusionDate) << "  "
            << (c.amount ? AmountText(*c.amount) + QStringLiteral(" ₽") : QStringLiteral("-"))
            << "  " << c.url << "\n    " << c.subject;
        if (!c.customerName.isEmpty()) out << "\n    Заказчик: " << c.customerName;
        if (!c.customerInn.isEmpty()) out << " (ИНН " << c.customerInn << ')';
        if (c.newInLastReport) out << "\n    новый в последнем отчёте";
        out << '\n';
    }
}

void printTsv(const std::vector<StoredContract>& contracts, QTextStream& out) {
    out << "ИНН поставщика\tРеестр\tСсылка\tПредмет\tСумма\tДата заключения\tСрок "
           "исполнения\tЗаказчик\tИНН заказчика\tНовый\n";
    for (const StoredContract& c : contracts) {
        QStringList fields{c.inn,
                           RegistryName(c.registry),
                           c.url,
                           c.subject,
                           c.amount ? QString::number(*c.amount, 'f', 2) : QString(),
                           day(c.conclusionDate),
                           day(c.executionDate),
                           c.customerName,
                           c.customerInn,
                           c.newInLastReport ? QStringLiteral("да") : QString()};
        // A field never breaks the line or the columns.
        for (QString& field : fields)
            field.replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '))
                .remove(QLatin1Char('\r'));
        out << fields.join(QLatin1Char('\t')) << '\n';
    }
}

int list(Options& o) {
    if (const QString missing = MissingGivenFolder(o.dir); !missing.isEmpty()) {
        printError(missing);
        return kBadUsage;
    }
    const QString programDir = ResolveProgramDir(o.dir);
    const auto innFile = ReadTextFile(programDir + QStringLiteral("INNs.txt"));
    const QString innList = innFile ? innFile->text : QString();
    if (!o.inn.isEmpty()) {
        o.filter.inns = {o.inn};
    } else if (!o.group.isEmpty()) {
        o.filter.inns = InnsOfGroup(innList, o.group);
        if (o.filter.inns.isEmpty()) {
            printError(QStringLiteral("Ошибка в параметрах: в списке %1INNs.txt нет группы «%2»")
                           .arg(programDir, o.group));
            return kBadUsage;
        }
    } else {
        o.filter.inns = ListedInns(innList);
        if (o.filter.inns.isEmpty()) {
            printError(QStringLiteral("Задайте список ИНН! (файл ") + programDir +
                       QStringLiteral("INNs.txt) или --inn"));
            return kBadUsage;
        }
    }
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    if (!opening.db) {
        printError(opening.message);
        return kFailed;
    }
    const std::vector<StoredContract> contracts = QueryContracts(*opening.db, o.filter);
    const QString totals = TotalsLine(TotalsOf(contracts));
    QTextStream out(stdout);
    if (!o.xlsx.isEmpty()) {
        WriteContractListWorkbook(o.xlsx, contracts);
        out << QStringLiteral("Файл %1 записан").arg(o.xlsx) << '\n' << totals << '\n';
    } else if (o.tsv) {
        printTsv(contracts, out);
        out.flush();
        printError(totals);
    } else {
        printText(contracts, out);
        out << totals << '\n';
    }
    return kDone;
}

}  // namespace

int ContractsCommand(const QStringList& arguments) {
    Parser p;
    if (!p.parser.parse(arguments)) {
        printError(QStringLiteral("Ошибка в параметрах: ") + p.parser.errorText() + u'\n' +
                   p.parser.helpText());
        return kBadUsage;
    }
    if (p.parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << p.parser.helpText();
        return kDone;
    }
    Options options;
    const QString problem = readOptions(p, options);
    if (!problem.isEmpty()) {
        printError(QStringLiteral("Ошибка в параметрах: ") + problem);
        return kBadUsage;
    }
    try {
        return list(options);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailed;
    }
}
