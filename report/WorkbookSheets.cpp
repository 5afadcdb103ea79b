#include "report/WorkbookSheets.h"

#include "platform/GeneralError.h"
#include "report/InnRequest.h"
#include "report/ReportReader.h"
#include "report/SafeFolderName.h"
#include "report/SheetCells.h"
#include "report/XlsxWorkbook.h"
#include "store/ContractQueries.h"

#include <xlsxwriter.h>
#include <QFileInfo>
#include <QSet>
#include <functional>
#include <map>
#include <set>

namespace {

struct Tally {
    int count = 0;
    double sum = 0;
    void add(const std::optional<double>& amount) {
        ++count;
        sum += amount.value_or(0);
    }
};

// Everything the two sheets show, worked out once.
struct Figures {
    QStringList inns;
    QString group;
    std::vector<StoredContract> inRange;               // the stored contracts of the date range
    std::map<QString, QSet<QString>> newUrls;          // per INN, the links of this report
    std::map<QString, std::optional<double>> amounts;  // every contract of the INNs
};

bool inRange(const StoredContract& c, const WorkbookSheetsSource& source) {
    if (!source.from.isValid() && !source.to.isValid()) return true;
    if (!c.conclusionDate.isValid()) return false;
    return (!source.from.isValid() || c.conclusionDate >= source.from) &&
           (!source.to.isValid() || c.conclusionDate <= source.to);
}

std::vector<QStringList> readRows(const QString& reportPath) {
    std::vector<QStringList> rows;
    ReportReader reader(ReadReportText(reportPath));
    QStringList fields;
    while (reader.next(fields))
        rows.push_back(fields);
    return rows;
}

Figures gather(const QString& reportPath, const std::vector<QStringList>* reportRows,
               const WorkbookSheetsSource& source) {
    Figures f;
    f.inns = InnsOfReportFile(source, reportPath, &f.group);
    const std::vector<QStringList> read =
        reportRows ? std::vector<QStringList>() : readRows(reportPath);
    const std::vector<QStringList>& rows = reportRows ? *reportRows : read;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].size() > 1) f.newUrls[rows[i][0]].insert(rows[i][1]);
    }
    ContractFilter all;
    all.inns = f.inns;
    for (StoredContract& c : QueryContracts(*source.db, all)) {
        f.amounts[c.url] = c.amount;
        if (inRange(c, source)) f.inRange.push_back(std::move(c));
    }
    return f;
}

QString periodText(const WorkbookSheetsSource& source) {
    const auto day = [](const QDate& d) { return d.toString(u"dd.MM.yyyy"); };
    if (!source.from.isValid() && !source.to.isValid())
        return QStringLiteral("за все даты заключения");
    if (!source.to.isValid()) return QStringLiteral("заключены с ") + day(source.from);
    if (!source.from.isValid()) return QStringLiteral("заключены по ") + day(source.to);
    return QStringLiteral("заключены с %1 по %2").arg(day(source.from), day(source.to));
}

class SheetWriter {
public:
    SheetWriter(XlsxWorkbook& workbook, const char* name) : m_workbook(workbook) {
        m_sheet = workbook_add_worksheet(workbook.get(), name);
        if (!m_sheet)
            throw EGeneralError(
                QStringLiteral("Не удалось создать лист книги %1").arg(workbook.path()));
        m_amount = workbook_add_format(workbook.get());
        format_set_num_format(m_amount, "#,##0.00");
        m_bold = workbook_add_format(workbook.get());
        format_set_bold(m_bold);
        m_date = AddDateFormat(workbook.get());
    }
    void width(int column, double characters) {
        CheckXlsx(worksheet_set_column(m_sheet, column, column, characters, nullptr), path());
    }
    void text(int column, const QString& value, bool bold = false) {
        WriteTextCell(m_sheet, m_row, column, value, bold ? m_bold : nullptr, path());
    }
    void number(int column, double value) {
        CheckXlsx(worksheet_write_number(m_sheet, m_row, column, value, nullptr), path());
    }
    void amount(int column, const std::optional<double>& value) {
        if (value)
            CheckXlsx(worksheet_write_number(m_sheet, m_row, column, *value, m_amount), path());
    }
    void date(int column, const QDate& value) {
        WriteDateCell(m_sheet, m_row, column, value, m_date, path());
    }
    void link(int column, const QString& url) {
        WriteLinkCell(m_sheet, m_row, column, url, path());
    }
    void header(const QStringList& titles) {
        for (int i = 0; i < titles.size(); ++i)
            text(i, titles[i], true);
    }
    void tally(int column, const Tally& t) {
        number(column, t.count);
        amount(column + 1, t.sum);
    }
    void nextRow() { ++m_row; }
    int row() const { return m_row; }
    lxw_worksheet* sheet() const { return m_sheet; }
    const QString& path() const { return m_workbook.path(); }

private:
    XlsxWorkbook& m_workbook;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_amount = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_date = nullptr;
    int m_row = 0;
};

void writeInnTotals(SheetWriter& w, const Figures& f) {
    w.header({QStringLiteral("ИНН поставщика"), QStringLiteral("Новых в этом отчёте"),
              QStringLiteral("Сумма новых"), QStringLiteral("Всего в базе за период"),
              QStringLiteral("Сумма всего за период")});
    w.nextRow();
    Tally allNew, allStored;
    std::set<QString> seenNew, seenStored;
    for (const QString& inn : f.inns) {
        Tally fresh, stored;
        const auto urls = f.newUrls.find(inn);
        if (urls != f.newUrls.end()) {
            for (const QString& url : urls->second) {
                const auto amount = f.amounts.count(url) ? f.amounts.at(url) : std::nullopt;
                fresh.add(amount);
                if (seenNew.insert(url).second) allNew.add(amount);
            }
        }
        for (const StoredContract& c : f.inRange) {
            if (c.inn != inn) continue;
            stored.add(c.amount);
            if (seenStored.insert(c.url).second) allStored.add(c.amount);
        }
        w.text(0, inn);
        w.tally(1, fresh);
        w.tally(3, stored);
        w.nextRow();
    }
    // A contract of two of the INNs counts once in the total.
    w.text(
        0,
        f.group.isEmpty() ? QStringLiteral("Итого") : QStringLiteral("Итого по группе ") + f.group,
        true);
    w.tally(1, allNew);
    w.tally(3, allStored);
    w.nextRow();
}

void writeRegistryYears(SheetWriter& w, const Figures& f) {
    w.header({QStringLiteral("Реестр"), QStringLiteral("Год заключения"),
              QStringLiteral("Контрактов в базе за период"), QStringLiteral("Сумма")});
    w.nextRow();
    std::map<std::pair<int, int>, Tally> byRegistryYear;  // (registry, year or 0)
    std::set<QString> seen;
    for (const StoredContract& c : f.inRange) {
        if (!seen.insert(c.url).second) continue;
        const int year = c.conclusionDate.isValid() ? c.conclusionDate.year() : 0;
        byRegistryYear[{int(c.registry), year}].add(c.amount);
    }
    for (const Registry registry : {Registry::Fz44, Registry::Fz223, Registry::CapitalRepair}) {
        Tally total;
        bool any = false;
        for (const auto& [key, tally] : byRegistryYear) {
            if (key.first != int(registry)) continue;
            any = true;
            w.text(0, RegistryName(registry));
            if (key.second > 0)
                w.number(1, key.second);
            else
                w.text(1, QStringLiteral("без даты"));
            w.tally(2, tally);
            w.nextRow();
            total.count += tally.count;
            total.sum += tally.sum;
        }
        if (!any) continue;
        w.text(0, RegistryName(registry) + QStringLiteral(", всего"), true);
        w.tally(2, total);
        w.nextRow();
    }
}

void writeTotalsSheet(XlsxWorkbook& workbook, const Figures& f,
                      const WorkbookSheetsSource& source) {
    SheetWriter w(workbook, "Итоги");
    const double widths[] = {28, 20, 20, 24, 24};
    for (int i = 0; i < 5; ++i)
        w.width(i, widths[i]);
    w.text(0,
           (f.group.isEmpty() ? QStringLiteral("ИНН без группы")
                              : QStringLiteral("Группа ") + f.group) +
               QStringLiteral("; контракты в базе: ") + periodText(source),
           true);
    w.nextRow();
    w.nextRow();
    writeInnTotals(w, f);
    w.nextRow();
    writeRegistryYears(w, f);
}

void writeContractsSheet(XlsxWorkbook& workbook, const char* name,
                         const std::vector<StoredContract>& contracts,
                         const std::function<bool(const StoredContract&)>& isNew) {
    SheetWriter w(workbook, name);
    const double widths[] = {15, 11, 41, 60, 16, 16, 16, 50, 14, 8};
    for (int i = 0; i < 10; ++i)
        w.width(i, widths[i]);
    w.header({QStringLiteral("ИНН поставщика"), QStringLiteral("Реестр"),
              QStringLiteral("Ссылка на контракт/договор"), QStringLiteral("Предмет контракта"),
              QStringLiteral("Сумма"), QStringLiteral("Дата заключения"),
              QStringLiteral("Срок исполнения"), QStringLiteral("Заказчик"),
              QStringLiteral("ИНН заказчика"), QStringLiteral("Новый")});
    CheckXlsx(worksheet_autofilter(w.sheet(), 0, 0, 0, 9), w.path());
    worksheet_freeze_panes(w.sheet(), 1, 0);
    for (const StoredContract& c : contracts) {
        if (w.row() >= int(LXW_ROW_MAX) - 1) break;
        w.nextRow();
        w.text(0, c.inn);
        w.text(1, RegistryName(c.registry));
        w.link(2, c.url);
        w.text(3, c.subject);
        w.amount(4, c.amount);
        w.date(5, c.conclusionDate);
        w.date(6, c.executionDate);
        if (!c.customerName.isEmpty()) w.text(7, c.customerName);
        if (!c.customerInn.isEmpty()) w.text(8, c.customerInn);
        if (isNew(c)) w.text(9, QStringLiteral("да"));
    }
}

void writeAllContractsSheet(XlsxWorkbook& workbook, const Figures& f) {
    writeContractsSheet(workbook, "Все контракты", f.inRange, [&f](const StoredContract& c) {
        const auto urls = f.newUrls.find(c.inn);
        return urls != f.newUrls.end() && urls->second.contains(c.url);
    });
}

}  // namespace

QStringList InnsOfReportFile(const WorkbookSheetsSource& source, const QString& reportPath,
                             QString* group) {
    const QString target = QFileInfo(reportPath).absoluteFilePath();
    const QString fileName = QFileInfo(reportPath).fileName();
    QStringList inns;
    for (const QString& line : source.innListText.split(QLatin1Char('\n'))) {
        const InnRequest request = ParseInnListLine(line);
        if (request.Inn.isEmpty()) continue;
        const QString path = request.ReportGroup.isEmpty()
                                 ? source.programDir + fileName
                                 : source.programDir + SafeFolderName(request.ReportGroup) +
                                       QLatin1Char('/') + fileName;
        if (QFileInfo(path).absoluteFilePath() != target) continue;
        if (group) *group = request.ReportGroup;
        if (!inns.contains(request.Inn)) inns << request.Inn;
    }
    return inns;
}

void AddSummarySheets(XlsxWorkbook& workbook, const QString& reportPath,
                      const std::vector<QStringList>* reportRows,
                      const WorkbookSheetsSource& source) {
    if (!source.db) return;
    const Figures figures = gather(reportPath, reportRows, source);
    writeTotalsSheet(workbook, figures, source);
    writeAllContractsSheet(workbook, figures);
}

void WriteContractListWorkbook(const QString& path, const std::vector<StoredContract>& contracts) {
    XlsxWorkbook workbook(path, contracts.size() > 10000);
    writeContractsSheet(workbook, "Контракты", contracts,
                        [](const StoredContract& c) { return c.newInLastReport; });
    workbook.close();
}
