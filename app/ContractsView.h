#pragma once

#include "store/ContractQueries.h"

#include <QElapsedTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class OptionalDateEdit;

// The contracts stored in the database for the INN list, beside the log: one
// row per contract and listed INN, with registry, registry link, subject,
// amount, conclusion and execution dates, customer, and whether the last
// report wrote it as new. The user chooses the list's INNs, a group or one
// INN, a date range and registries, sorts by any column, filters by text,
// and sees the totals of what is shown; a double click opens the card;
// «Выгрузить в Excel» writes the shown rows to a workbook.
//
// Lives on the window thread. It reads through a read-only connection of its
// own, opened for one load and closed right after it, and loads only while
// no run is going, so it never holds the database while a run writes; the
// window refreshes it when a run ends.
class ContractsView : public QWidget {
public:
    explicit ContractsView(QWidget* parent = nullptr);

    // The database file and the INN list as the window holds it.
    void setSource(const QString& databasePath, std::function<QString()> innListText);
    // While a run is active nothing is loaded; a refresh asked for meanwhile waits for its end.
    void setRunActive(bool active);
    // Loads the rows again (the choice list too), unless a run is active.
    void refresh();

    int shownRows() const;
    QString totalsText() const;
    qint64 lastLoadMs() const { return m_lastLoadMs; }

    // Seams for tests: where the workbook goes (empty: cancelled), how a card opens.
    std::function<QString()> chooseExportFile;
    std::function<bool(const QUrl&)> openUrl;

    QComboBox* InnCombo = nullptr;
    OptionalDateEdit* FromEdit = nullptr;
    OptionalDateEdit* ToEdit = nullptr;
    QCheckBox* Registry44Box = nullptr;
    QCheckBox* Registry223Box = nullptr;
    QCheckBox* RegistryCapitalBox = nullptr;
    QLineEdit* FilterEdit = nullptr;
    QTableView* Table = nullptr;
    QLabel* TotalsLabel = nullptr;
    QPushButton* RefreshButton = nullptr;
    QPushButton* ExportButton = nullptr;

private:
    void load();
    void fillChoices(const QString& innList);
    ContractFilter filter(const QString& innList) const;
    void fillModel();
    void updateTotals();
    std::vector<StoredContract> shownContracts() const;
    void exportShown();
    void openRow(int proxyRow);

    QString m_databasePath;
    std::function<QString()> m_innListText;
    bool m_runActive = false;
    bool m_refreshWaiting = false;
    std::vector<StoredContract> m_contracts;
    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    qint64 m_lastLoadMs = 0;
};
