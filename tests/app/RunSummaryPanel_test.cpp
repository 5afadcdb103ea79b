#include "app/RunSummaryPanel.h"
#include "tests/app/MessageBoxCatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

RunSummary doneRun() {
    RunSummary summary;
    summary.programDir = u"/data/cf/"_q;
    summary.registries[0].cardsRead = 40;
    summary.registries[0].cardsStored = 38;
    summary.reports = {
        {u"7707083893"_q, 3, 0, u"20261209_1200.tab"_q, u"20261209_1200.xlsx"_q},
        {u"7728168971"_q, 0, 2, QString(), QString()},
        {u"500100732259"_q, 0, 0, QString(), QString()},
        {u"Группа 1"_q, 1, 0, u"/data/cf/Группа 1/20261209_1200.tab"_q, QString()},
    };
    return summary;
}

class RunSummaryPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        panel.resize(800, 300);
    }

    RunSummaryPanel panel;
    QList<QUrl> opened;
};

}  // namespace

TEST_F(RunSummaryPanelTest, NamesEveryReportWithItsCountOrWhyItHasNone) {
    panel.showSummary(doneRun());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.HeadingLabel->text().startsWith(u"Сбор завершён."_q));
    EXPECT_TRUE(
        panel.HeadingLabel->text().contains(u"Прочитано карточек: 40, сохранено в базу: 38"_q));
    ASSERT_EQ(panel.ReportsList->count(), 4);
    EXPECT_EQ(panel.ReportsList->item(0)->text(), u"7707083893: новых контрактов 3"_q);
    EXPECT_TRUE(panel.ReportsList->item(1)->text().startsWith(
        u"7728168971: новых контрактов нет — все найденные (2) уже были"_q));
    EXPECT_TRUE(panel.ReportsList->item(2)->text().contains(u"нет контрактов этого ИНН"_q));
    EXPECT_TRUE(panel.ReportsList->item(3)->text().startsWith(u"Группа 1: новых контрактов 1"_q));
    // Held-back contracts come with the way to report them again.
    EXPECT_FALSE(panel.ShownHintLabel->isHidden());
    EXPECT_TRUE(panel.ShownHintLabel->text().contains(u"shown.txt"_q));

    RunSummary fresh = doneRun();
    fresh.reports[1].alreadyShown = 0;
    // A group may be named like an INN; it is still spoken of as a group.
    fresh.reports[2].isGroup = true;
    panel.showSummary(fresh);
    EXPECT_TRUE(panel.ShownHintLabel->isHidden());
    EXPECT_TRUE(panel.ReportsList->item(2)->text().contains(u"нет контрактов ИНН этой группы"_q));

    fresh.reports[2].isGroup = false;
    fresh.reports[2].notAnInn = true;  // a mistyped line finds nothing for that reason
    panel.showSummary(fresh);
    EXPECT_TRUE(panel.ReportsList->item(2)->text().contains(u"это не ИНН"_q));
}

TEST_F(RunSummaryPanelTest, OpenReportAsksTheDesktopForTheWorkbookElseTheTab) {
    panel.showSummary(doneRun());
    // The first report with a file is chosen; its workbook is opened.
    QTest::mouseClick(panel.OpenReportButton, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(u"/data/cf/20261209_1200.xlsx"_q));
    // A group without a workbook opens its .tab.
    panel.ReportsList->setCurrentRow(3);
    QTest::mouseClick(panel.OpenReportButton, Qt::LeftButton);
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(u"/data/cf/Группа 1/20261209_1200.tab"_q));
    // A report without a file has nothing to open.
    panel.ReportsList->setCurrentRow(1);
    EXPECT_FALSE(panel.OpenReportButton->isEnabled());
    QTest::mouseClick(panel.OpenFolderButton, Qt::LeftButton);
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(u"/data/cf/"_q));
    EXPECT_EQ(opened.size(), 3);
    QTest::mouseClick(panel.HideButton, Qt::LeftButton);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(RunSummaryPanelTest, AStoppedOrFailedRunSaysSoAndHasNoReportToOpen) {
    RunSummary stopped;
    stopped.outcome = RunOutcome::Stopped;
    stopped.programDir = u"/data/cf/"_q;
    panel.showSummary(stopped);
    EXPECT_TRUE(panel.HeadingLabel->text().startsWith(u"Работа остановлена"_q));
    ASSERT_EQ(panel.ReportsList->count(), 1);
    EXPECT_FALSE(panel.OpenReportButton->isEnabled());
    EXPECT_TRUE(panel.OpenFolderButton->isEnabled());

    RunSummary failed;
    failed.outcome = RunOutcome::Failed;
    failed.failureText = u"портал не ответил"_q;
    panel.showSummary(failed);
    EXPECT_TRUE(panel.HeadingLabel->text().startsWith(
        u"Работа завершилась с ошибкой: портал не ответил"_q));
}

TEST_F(RunSummaryPanelTest, AReportTheDesktopCannotOpenIsNamedWithItsFullPath) {
    panel.openUrl = [](const QUrl&) { return false; };
    panel.showSummary(doneRun());
    MessageBoxCatcher boxes;
    QTest::mouseClick(panel.OpenReportButton, Qt::LeftButton);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains(u"/data/cf/20261209_1200.xlsx"_q))
        << boxes.texts[0].toStdString();
}

TEST_F(RunSummaryPanelTest, AfterAStopOffersAReportOverWhatIsStored) {
    int asked = 0;
    panel.makeCollectedReport = [&asked] { ++asked; };
    RunSummary stopped;
    stopped.outcome = RunOutcome::Stopped;
    stopped.programDir = u"/data/cf/"_q;
    panel.showSummary(stopped);
    ASSERT_FALSE(panel.CollectedReportButton->isHidden());
    QTest::mouseClick(panel.CollectedReportButton, Qt::LeftButton);
    EXPECT_EQ(asked, 1);

    panel.showCollectedReports(
        {{u"7707083893"_q, 2, 0, u"/data/cf/2026-12-09_12-00-00_частичный.tab"_q,
          u"/data/cf/2026-12-09_12-00-00_частичный.xlsx"_q}});
    EXPECT_TRUE(panel.CollectedReportButton->isHidden());
    EXPECT_EQ(panel.ReportsList->item(0)->text(), u"7707083893: новых контрактов 2"_q);
    QTest::mouseClick(panel.OpenReportButton, Qt::LeftButton);
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(u"/data/cf/2026-12-09_12-00-00_частичный.xlsx"_q));

    panel.showSummary(doneRun());  // a finished run has its reports: nothing to offer
    EXPECT_TRUE(panel.CollectedReportButton->isHidden());
}
