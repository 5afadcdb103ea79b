#include "app/ContractsView.h"

#include "app/ContractListing.h"
#include "app/OptionalDateEdit.h"
#include "report/WorkbookSheets.h"
#include "store/SQLiteWrap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum Column { kRegistry, kNumber, kSubject, kAmount, kConcluded, kExecuted, kCustomer, kNew, kInn };
constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kIndexRole = Qt::UserRole + 2;
// Choice list data: "" all listed INNs, "g:<group>", "i:<INN>".
const QString kGroupPrefix = QStringLiteral("g:");
const QString kInnPrefix = QStringLiteral("i:");

QString registryNumber(const QString& url) {
    const qsizetype eq = url.lastIndexOf(QLatin1Char('='));
    return eq >= 0 ? url.mid(eq + 1) : url;
}

QStandardItem* item(const QString& text, const QVariant& sortKey) {
    auto* cell = new QStandardItem(text);
    cell->setData(sortKey, kSortRole);
    cell->setEditable(false);
    return cell;
}

}  // namespace

ContractsView::ContractsView(QWidget* parent)
    : QWidget(parent),
      chooseExportFile([this] {
          return QFileDialog::getSaveFileName(this, QStringLiteral("Выгрузить в Excel"),
                                              QStringLiteral("контракты.xlsx"),
                                              QStringLiteral("Книга Excel (*.xlsx)"));
      }),
      openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    InnCombo = new QComboBox(this);
    InnCombo->setAccessibleName(QStringLiteral("ИНН или группа"));
    FromEdit = new OptionalDateEdit(this);
    ToEdit = new OptionalDateEdit(this);
    Registry44Box = new QCheckBox(QStringLiteral("44-ФЗ"), this);
    Registry223Box = new QCheckBox(QStringLiteral("223-ФЗ"), this);
    RegistryCapitalBox = new QCheckBox(QStringLiteral("капремонт"), this);
    for (QCheckBox* box : {Registry44Box, Registry223Box, RegistryCapitalBox})
        box->setChecked(true);
    FilterEdit = new QLineEdit(this);
    FilterEdit->setPlaceholderText(QStringLiteral("Фильтр по тексту"));
    FilterEdit->setClearButtonEnabled(true);
    RefreshButton = new QPushButton(QStringLiteral("Обновить"), this);
    ExportButton = new QPushButton(QStringLiteral("Выгрузить в Excel"), this);
    TotalsLabel = new QLabel(this);
    TotalsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_model = new QStandardItemModel(0, 9, this);
    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Реестр"), QStringLiteral("Реестровый номер"), QStringLiteral("Предмет"),
         QStringLiteral("Сумма, ₽"), QStringLiteral("Заключён"),
         QStringLiteral("Исполнение"), QStringLiteral("Заказчик"), QStringLiteral("Новый"),
         QStringLiteral("ИНН поставщика")});
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(kSortRole);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    Table = new QTableView(this);
    Table->setModel(m_proxy);
    Table->setSortingEnabled(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();
    Table->horizontalHeader()->setStretchLastSection(false);
    Table->setColumnWidth(kSubject, 320);
    Table->setColumnWidth(kCustomer, 220);

    auto* choices = new QHBoxLayout;
    choices->addWidget(InnCombo, 1);
    choices->addWidget(new QLabel(QStringLiteral("заключены с"), this));
    choices->addWidget(FromEdit);
    choices->addWidget(new QLabel(QStringLiteral("по"), this));
    choices->addWidget(ToEdit);
    choices->addWidget(Registry44Box);
    choices->addWidget(Registry223Box);
    choices->addWidget(RegistryCapitalBox);
    choices->addWidget(RefreshButton);
    auto* below = new QHBoxLayout;
    below->addWidget(TotalsLabel, 1);
    below->addWidget(ExportButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(choices);
    layout->addWidget(FilterEdit);
    layout->addWidget(Table, 1);
    layout->addLayout(below);

    connect(RefreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(InnCombo, &QComboBox::activated, this, [this] { refresh(); });
    for (QCheckBox* box : {Registry44Box, Registry223Box, RegistryCapitalBox})
        connect(box, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(FilterEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy->setFilterFixedString(text);
        updateTotals();
    });
    connect(Table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(ExportButton, &QPushButton::clicked, this, [this] { exportShown(); });
    updateTotals();
}

void ContractsView::setSource(const QString& databasePath, std::function<QString()> innListText) {
    m_databasePath = databasePath;
    m_innListText = std::move(innListText);
}

void ContractsView::setRunActive(bool active) {
    m_runActive = active;
    RefreshButton->setEnabled(!active);
    if (active) {
        TotalsLabel->setToolTip(QStringLiteral("Список обновится, когда сбор закончится"));
    } else {
        TotalsLabel->setToolTip(QString());
        if (m_refreshWaiting) refresh();
    }
}

void ContractsView::refresh() {
    if (m_runActive) {
        m_refreshWaiting = true;
        return;
    }
    m_refreshWaiting = false;
    try {
        load();
    } catch (const std::exception& e) {
        m_contracts.clear();
        fillModel();
        TotalsLabel->setText(QStringLiteral("Не удалось прочитать базу: ") +
                             QString::fromUtf8(e.what()));
    }
}

void ContractsView::fillChoices(const QString& innList) {
    const QString current = InnCombo->currentData().toString();
    InnCombo->clear();
    InnCombo->addItem(QStringLiteral("Все ИНН списка"), QString());
    for (const QString& group : GroupsOfList(innList))
        InnCombo->addItem(QStringLiteral("Группа: ") + group, kGroupPrefix + group);
    for (const QString& inn : ListedInns(innList))
        InnCombo->addItem(inn, kInnPrefix + inn);
    InnCombo->setCurrentIndex(qMax(0, InnCombo->findData(current)));
}

ContractFilter ContractsView::filter(const QString& innList) const {
    ContractFilter f;
    const QString choice = InnCombo->currentData().toString();
    if (choice.startsWith(kGroupPrefix))
        f.inns = InnsOfGroup(innList, choice.mid(kGroupPrefix.size()));
    else if (choice.startsWith(kInnPrefix))
        f.inns = {choice.mid(kInnPrefix.size())};
    else
        f.inns = ListedInns(innList);
    f.from = FromEdit->optionalDate();
    f.to = ToEdit->optionalDate();
    if (Registry44Box->isChecked()) f.registries.push_back(Registry::Fz44);
    if (Registry223Box->isChecked()) f.registries.push_back(Registry::Fz223);
    if (RegistryCapitalBox->isChecked()) f.registries.push_back(Registry::CapitalRepair);
    if (f.registries.empty()) f.inns.clear();  // no registry chosen: nothing to show
    return f;
}

void ContractsView::load() {
    QElapsedTimer clock;
    clock.start();
    const QString innList = m_innListText ? m_innListText() : QString();
    fillChoices(innList);
    m_contracts.clear();
    if (!m_databasePath.isEmpty() && QFileInfo::exists(m_databasePath)) {
        // Open for this load only: no lock is left on the file between loads.
        TSQLiteDatabase db(m_databasePath, true);
        m_contracts = QueryContracts(db, filter(innList));
    }
    fillModel();
    m_lastLoadMs = clock.elapsed();
}

void ContractsView::fillModel() {
    // Filled while no proxy or table listens: a signal per cell to them costs
    // far more than the cells themselves.
    m_proxy->setSourceModel(nullptr);
    m_model->removeRows(0, m_model->rowCount());
    for (int i = 0; i < int(m_contracts.size()); ++i) {
        const StoredContract& c = m_contracts[i];
        QList<QStandardItem*> row(9);
        row[kRegistry] = item(RegistryName(c.registry), RegistryName(c.registry));
        row[kRegistry]->setData(i, kIndexRole);
        QStandardItem* number = item(registryNumber(c.url), registryNumber(c.url));
        number->setForeground(QBrush(Qt::blue));
        number->setToolTip(c.url);
        QFont underlined = number->font();
        underlined.setUnderline(true);
        number->setFont(underlined);
        row[kNumber] = number;
        row[kSubject] = item(c.subject, c.subject);
        row[kAmount] = item(c.amount ? AmountText(*c.amount) : QString(), c.amount.value_or(-1));
        row[kConcluded] = item(c.conclusionDate.toString(u"dd.MM.yyyy"), c.conclusionDate);
        row[kExecuted] = item(c.executionDate.toString(u"dd.MM.yyyy"), c.executionDate);
        row[kCustomer] = item(c.customerName, c.customerName);
        const QString fresh = c.newInLastReport ? QStringLiteral("да") : QString();
        row[kNew] = item(fresh, fresh);
        row[kInn] = item(c.inn, c.inn);
        m_model->appendRow(row);
    }
    m_proxy->setSourceModel(m_model);
    updateTotals();
}

std::vector<StoredContract> ContractsView::shownContracts() const {
    std::vector<StoredContract> shown;
    shown.reserve(m_proxy->rowCount());
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        const int index = m_proxy->index(row, kRegistry).data(kIndexRole).toInt();
        shown.push_back(m_contracts[index]);
    }
    return shown;
}

int ContractsView::shownRows() const {
    return m_proxy->rowCount();
}

QString ContractsView::totalsText() const {
    return TotalsLabel->text();
}

void ContractsView::updateTotals() {
    TotalsLabel->setText(TotalsLine(TotalsOf(shownContracts())) +
                         QStringLiteral(" (строк: %1)").arg(m_proxy->rowCount()));
    ExportButton->setEnabled(m_proxy->rowCount() > 0);
}

void ContractsView::openRow(int proxyRow) {
    const int index = m_proxy->index(proxyRow, kRegistry).data(kIndexRole).toInt();
    if (index < 0 || index >= int(m_contracts.size())) return;
    openUrl(QUrl(m_contracts[index].url));
}

void ContractsView::exportShown() {
    const QString path = chooseExportFile();
    if (path.isEmpty()) return;
    try {
        WriteContractListWorkbook(path, shownContracts());
    } catch (const std::exception& e) {
        QMessageBox::warning(this, QStringLiteral("Выгрузить в Excel"),
                             QString::fromUtf8(e.what()));
    }
}
