// The window's contracts view over a real database file, on the offscreen platform.
#include "app/ContractsView.h"
#include "store/ContractCustomer.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString kInnA = u"7707083893"_q;
const QString kInnB = u"500100732259"_q;
const QString k44 = u"https://h/epz/contract/contractCard/common-info.html?reestrNumber="_q;
const QString kRepair = u"https://h/epz/capitalrepair/general-info.html?id="_q;

class ContractsViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath(u"db.s3db"_q);
        TSQLiteDatabase db(path);
        CreateSchema(db);
        ReplaceContract(db, k44 + u"11"_q, u"Бумага"_q, u"300"_q, u"10.01.2024"_q, {}, {kInnA});
        ReplaceContract(db, kRepair + u"12"_q, u"Крыша дома"_q, u"100"_q, u"05.02.2024"_q, {},
                        {kInnA});
        ReplaceContract(db, k44 + u"13"_q, u"Уборка"_q, u"50"_q, u"01.03.2024"_q, {}, {kInnB});
        SetContractCustomer(db, k44 + u"11"_q, u"ГБУ \"Школа\""_q, u"7718225444"_q);
        view.setSource(path, [] { return u"7707083893\r\nГруппа\t500100732259"_q; });
        view.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
    }
    QString cell(int row, int column) const {
        return view.Table->model()->index(row, column).data().toString();
    }

    QTemporaryDir dir;
    QString path;
    ContractsView view;
    QList<QUrl> opened;
};

}  // namespace

TEST_F(ContractsViewTest, ListsTheStoredContractsOfTheChoiceWithTotals) {
    view.refresh();
    EXPECT_EQ(view.shownRows(), 3);
    EXPECT_TRUE(view.totalsText().startsWith(
        u"Итого: 3 контракта на сумму 450,00 ₽"_q))
        << view.totalsText().toStdString();
    // The choices: all, the group, each INN.
    ASSERT_EQ(view.InnCombo->count(), 4);
    view.InnCombo->setCurrentIndex(view.InnCombo->findText(kInnA));
    view.refresh();
    EXPECT_EQ(view.shownRows(), 2);
    view.InnCombo->setCurrentIndex(view.InnCombo->findText(u"Группа: Группа"_q));
    view.refresh();
    ASSERT_EQ(view.shownRows(), 1);
    EXPECT_EQ(cell(0, 1), u"13"_q);

    view.InnCombo->setCurrentIndex(0);
    view.RegistryCapitalBox->setChecked(false);  // reloads
    EXPECT_EQ(view.shownRows(), 2);
    view.RegistryCapitalBox->setChecked(true);
    view.FilterEdit->setText(u"крыша"_q);
    ASSERT_EQ(view.shownRows(), 1);
    EXPECT_TRUE(view.totalsText().startsWith(
        u"Итого: 1 контракт на сумму 100,00 ₽"_q));
    view.FilterEdit->clear();

    view.Table->sortByColumn(3, Qt::AscendingOrder);  // amount
    EXPECT_EQ(cell(0, 1), u"13"_q);
    EXPECT_EQ(cell(2, 1), u"11"_q);
    EXPECT_EQ(cell(2, 6), u"ГБУ \"Школа\""_q);
    EXPECT_EQ(cell(2, 0), u"44-ФЗ"_q);
    EXPECT_EQ(cell(2, 4), u"10.01.2024"_q);
    emit view.Table->doubleClicked(view.Table->model()->index(2, 2));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(k44 + u"11"_q)});

    view.chooseExportFile = [this] { return dir.filePath(u"выгрузка.xlsx"_q); };
    view.ExportButton->click();
    EXPECT_GT(QFileInfo(dir.filePath(u"выгрузка.xlsx"_q)).size(), 0);
}

// While a run writes, the view does not read; it catches up when the run ends.
TEST_F(ContractsViewTest, LoadsNothingWhileARunIsActive) {
    view.refresh();
    view.setRunActive(true);
    {
        TSQLiteDatabase db(path);
        ReplaceContract(db, k44 + u"14"_q, u"Новый"_q, u"1"_q, u"02.03.2024"_q, {}, {kInnB});
    }
    view.refresh();
    EXPECT_EQ(view.shownRows(), 3);
    EXPECT_FALSE(view.RefreshButton->isEnabled());
    view.setRunActive(false);
    EXPECT_EQ(view.shownRows(), 4);
}
