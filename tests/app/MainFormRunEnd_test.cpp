// The end of a real run in the window: a crawl of a small synthetic portal, driven through the
// window's controls, ends with the account the run itself keeps, checked against the portal's
// own contracts, and its reports open from it; the same INNs again find nothing new.
#include "app/OptionalDateEdit.h"
#include "app/RunSummaryPanel.h"
#include "app/TMainForm.h"
#include "app/WatchPanel.h"
#include "crawl/PortalSearch.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/MessageBoxCatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <algorithm>
#include <set>

namespace {

// Valid, and no synthetic contract names it.
const QString kAbsentInn = u"7707083893"_q;

SyntheticPortalConfig SmallPortal() {
    SyntheticPortalConfig config;
    config.seed = 5;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = QDate(2024, 3, 5);
    config.contracts44 = 20;
    config.contractsCapital = 5;
    config.contracts223 = 10;
    config.ocrContracts = 0;  // an OCR run costs seconds
    return config;
}

class MainFormRunEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        replica.start();
        SetPortalBase(QString::fromStdString(replica.baseUrl()));
        pickInns();
        if (HasFatalFailure()) return;
        MainFormOptions o;
        o.programDir = dir.path() + u"/"_q;
        o.checkPlacement = false;
        o.loopSleepMs = 2;
        form = std::make_unique<TMainForm>(o);
        form->show();
        QApplication::setActiveWindow(form.get());
        form->SummaryPanel->openUrl = [this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        };
        form->WatchRow->openUrl = form->SummaryPanel->openUrl;
    }

    void TearDown() override { SetPortalBase(u"https://zakupki.gov.ru"_q); }

    std::set<const SyntheticContract*> contractsOf(const std::string& inn) const {
        std::set<const SyntheticContract*> found;
        for (const SyntheticContract& c : portal.contracts()) {
            if (std::count(c.expectedInns.begin(), c.expectedInns.end(), inn)) found.insert(&c);
        }
        return found;
    }

    // Three INNs with contracts and no contract in common: one listed alone, two in a group.
    void pickInns() {
        std::set<std::string> all;
        for (const SyntheticContract& c : portal.contracts())
            all.insert(c.expectedInns.begin(), c.expectedInns.end());
        ASSERT_FALSE(all.count(kAbsentInn.toStdString()));
        std::set<const SyntheticContract*> taken;
        for (const std::string& inn : all) {
            const auto own = contractsOf(inn);
            if (std::any_of(own.begin(), own.end(), [&](auto* c) { return taken.count(c); }))
                continue;
            inns.push_back(inn);
            counts.push_back(static_cast<int>(own.size()));
            taken.insert(own.begin(), own.end());
            if (inns.size() == 3) return;
        }
        FAIL() << "the portal has too few suppliers";
    }

    QString innList() const {
        return QString::fromStdString(inns[0] + "\nПоставщики\tПервый\t" + inns[1] +
                                      "\nПоставщики\t" + inns[2] + "\n") +
               kAbsentInn;
    }

    static void typeDate(OptionalDateEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QStringList rows() const {
        QStringList texts;
        for (int i = 0; i < form->SummaryPanel->ReportsList->count(); ++i)
            texts << form->SummaryPanel->ReportsList->item(i)->text();
        return texts;
    }

    void runToItsEnd() {
        QTest::mouseClick(form->StartButton, Qt::LeftButton);
        ASSERT_TRUE(form->runControl().IsRunActive()) << messages.texts.join(u'\n').toStdString();
        ASSERT_TRUE(form->runControl().WaitForRunEnd(120000));
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->SummaryPanel->isVisible(); }, 5000));
    }

    QTemporaryDir dir;
    MessageBoxCatcher messages;
    PortalReplica replica;
    SyntheticPortal portal{replica, SmallPortal()};
    std::vector<std::string> inns;
    std::vector<int> counts;
    std::unique_ptr<TMainForm> form;
    QStringList opened;
};

}  // namespace

TEST_F(MainFormRunEndTest, ARunEndsWithItsAccountAndTheSameInnsAgainFindNothingNew) {
    form->InnsMemo->setPlainText(innList());
    form->LimitEdit->setValue(4);
    typeDate(form->DatePublishedPicker, u"01.03.2024"_q);
    typeDate(form->DatePublishedPicker2, u"05.03.2024"_q);
    runToItsEnd();

    const QString cards = QString::number(portal.contracts().size());
    EXPECT_EQ(form->SummaryPanel->HeadingLabel->text(),
              u"Сбор завершён. Полный обход реестров. Прочитано карточек: "_q + cards +
                  u", сохранено в базу: "_q + cards + u"."_q);
    const QString first = QString::fromStdString(inns[0]);
    EXPECT_EQ(rows(),
              (QStringList{
                  QStringLiteral("%1: новых контрактов %2").arg(first).arg(counts[0]),
                  QStringLiteral("Поставщики: новых контрактов %1").arg(counts[1] + counts[2]),
                  kAbsentInn + u": новых контрактов нет — в базе нет контрактов этого ИНН "
                               u"за прочитанные даты"_q,
              }));
    EXPECT_TRUE(form->SummaryPanel->ShownHintLabel->isHidden());
    // The log, shorter now, still shows its end.
    const QScrollBar* scroll = form->LogsMemo->verticalScrollBar();
    EXPECT_EQ(scroll->value(), scroll->maximum());

    // «Открыть отчёт» asks for the workbook of the chosen line.
    QTest::mouseClick(form->SummaryPanel->OpenReportButton, Qt::LeftButton);
    form->SummaryPanel->ReportsList->setCurrentRow(1);
    QTest::mouseClick(form->SummaryPanel->OpenReportButton, Qt::LeftButton);
    form->SummaryPanel->ReportsList->setCurrentRow(2);
    EXPECT_FALSE(form->SummaryPanel->OpenReportButton->isEnabled());
    ASSERT_EQ(opened.size(), 2);
    const QStringList workbooks = QDir(dir.path()).entryList({u"*.xlsx"_q}, QDir::Files);
    ASSERT_EQ(workbooks.size(), 1);
    EXPECT_EQ(opened[0], dir.filePath(workbooks.first()));
    EXPECT_EQ(opened[1], dir.filePath(u"Поставщики/"_q + workbooks.first()));
    EXPECT_TRUE(QFileInfo(opened[1]).isFile());

    // Again, by INN this time: every contract is in the database and in shown.txt.
    form->SearchByInnCheckBox->click();
    runToItsEnd();
    EXPECT_TRUE(form->SummaryPanel->HeadingLabel->text().startsWith(
        u"Сбор завершён. Поиск по ИНН из списка."_q));
    const QString held =
        u": новых контрактов нет — все найденные (%1) уже были в прежних "
        u"отчётах, см. shown.txt"_q;
    EXPECT_EQ(rows().mid(0, 2), (QStringList{first + held.arg(counts[0]),
                                             u"Поставщики"_q + held.arg(counts[1] + counts[2])}));
    EXPECT_FALSE(form->SummaryPanel->ShownHintLabel->isHidden());
    EXPECT_TRUE(form->SummaryPanel->ShownHintLabel->text().contains(u"shown.txt"_q));
    EXPECT_FALSE(form->SummaryPanel->OpenReportButton->isEnabled());
}

TEST_F(MainFormRunEndTest, TheRunsOfTheWindowAreInItsHistoryAndOpenTheirReportAndLog) {
    form->InnsMemo->setPlainText(QString::fromStdString(inns[0]));
    form->SearchByInnCheckBox->setChecked(true);
    typeDate(form->DatePublishedPicker, u"01.03.2024"_q);
    typeDate(form->DatePublishedPicker2, u"05.03.2024"_q);
    runToItsEnd();
    runToItsEnd();

    const auto& runs = form->WatchRow->runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].newContracts, 0) << "the newest first: the second found nothing new";
    EXPECT_EQ(runs[1].newContracts, counts[0]);
    EXPECT_EQ(runs[1].mode, RunMode::Window);
    EXPECT_EQ(runs[1].end, RunEnd::Done);
    EXPECT_EQ(runs[1].from, QDate(2024, 3, 1));
    EXPECT_EQ(runs[1].inns, QStringList{QString::fromStdString(inns[0])});

    // «Запуски»: each run's entry opens its report (when it has one) and its log.
    emit form->WatchRow->RunsMenu->aboutToShow();
    const QList<QAction*> entries = form->WatchRow->RunsMenu->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0]->text().contains(u"окно — готово, новых 0"_q));
    EXPECT_FALSE(entries[0]->menu()->actions()[0]->isEnabled()) << "no report to open";
    entries[1]->menu()->actions()[0]->trigger();
    entries[1]->menu()->actions()[1]->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[0].endsWith(u".xlsx"_q)) << opened[0].toStdString();
    EXPECT_TRUE(QFileInfo(opened[0]).isFile());
    EXPECT_TRUE(QFileInfo(opened[1]).fileName().startsWith(u"log"_q));
    EXPECT_TRUE(QFileInfo(opened[1]).isFile());
}

TEST_F(MainFormRunEndTest, AScheduleSystemdCannotTakeLeavesTheBoxOffAndShowsTheCrontabLine) {
    QStringList shown;
    form->WatchRow->showMessage = [&shown](const QString& text) { shown << text; };
    form->WatchRow->install = [](const QTime& at) {
        ScheduleChange change;
        change.crontabLine =
            QStringLiteral("%1 %2 * * * contract-finder-cli watch").arg(at.minute()).arg(at.hour());
        change.message = u"Пользовательский systemd недоступен: "_q + change.crontabLine;
        return change;
    };
    form->WatchRow->TimeEdit->setTime(QTime(7, 45));
    form->WatchRow->ScheduleCheckBox->click();
    EXPECT_FALSE(form->WatchRow->ScheduleCheckBox->isChecked());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"45 7 * * * contract-finder-cli watch"_q));
}
