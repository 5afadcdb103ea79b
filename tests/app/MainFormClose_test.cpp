// Closing the window while its run waits in the report stage for another copy's lock on the
// folder: the run ends before the window's parts are gone (the test is also run under
// AddressSanitizer by scripts/sanitize.sh), and its account says what was written. And the
// start control, which comes back only once the run's thread has ended.
#include "app/OptionalDateEdit.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/FileLock.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/MessageBoxCatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

QString logFileText(const QString& dir) {
    const QStringList logs = QDir(dir).entryList({u"log*.txt"_q});
    if (logs.size() != 1) return {};
    QFile file(dir + u"/"_q + logs.first());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

SyntheticPortalConfig OneDayPortal() {
    SyntheticPortalConfig config;
    config.firstDay = QDate(2024, 3, 1);
    config.lastDay = config.firstDay;
    config.contracts44 = 2;
    config.contractsCapital = 0;
    config.contracts223 = 0;
    config.ocrContracts = 0;
    return config;
}

// The window, noting the start control's state when the run's account arrives: the run's
// thread is still going then.
class ProbedForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    void showRunSummary(const RunSummary& summary) override {
        startEnabledAtSummary = StartButton->isEnabled();
        TMainForm::showRunSummary(summary);
    }
    std::optional<bool> startEnabledAtSummary;
};

TEST(MainFormCloseTest, StartComesBackOnlyOnceTheRunsThreadHasEnded) {
    PortalReplica replica;
    const SyntheticPortalConfig config = OneDayPortal();
    SyntheticPortal portal(replica, config);
    replica.start();
    SetPortalBase(QString::fromStdString(replica.baseUrl()));
    QTemporaryDir dir;
    MessageBoxCatcher messages;
    MainFormOptions options;
    options.programDir = dir.path() + u"/"_q;
    options.checkPlacement = false;
    options.loopSleepMs = 2;
    ProbedForm form(options);
    form.show();
    form.InnsMemo->setPlainText(QString::fromStdString(portal.contracts().front().inns.front()));
    form.DatePublishedPicker->setOptionalDate(config.firstDay);
    form.DatePublishedPicker2->setOptionalDate(config.lastDay);
    QTest::mouseClick(form.StartButton, Qt::LeftButton);
    ASSERT_TRUE(form.runControl().WaitForRunEnd(120000));
    ASSERT_TRUE(form.startEnabledAtSummary.has_value());
    EXPECT_FALSE(*form.startEnabledAtSummary);
    EXPECT_TRUE(form.StartButton->isEnabled());
    EXPECT_FALSE(form.StopButton->isEnabled());
    SetPortalBase(u"https://zakupki.gov.ru"_q);
}

TEST(MainFormCloseTest, ClosingDuringTheWaitForAnotherCopyEndsTheRunFirst) {
    PortalReplica replica;
    const SyntheticPortalConfig config = OneDayPortal();
    SyntheticPortal portal(replica, config);
    replica.start();
    SetPortalBase(QString::fromStdString(replica.baseUrl()));
    QTemporaryDir dir;
    MessageBoxCatcher messages;
    auto other = std::make_unique<FileLock>(dir.filePath(u"shown.txt.lock"_q));

    MainFormOptions options;
    options.programDir = dir.path() + u"/"_q;
    options.checkPlacement = false;
    options.loopSleepMs = 2;
    auto form = std::make_unique<TMainForm>(options);
    form->show();
    EXPECT_FALSE(form->PauseButton->isEnabled());
    EXPECT_FALSE(form->StopButton->isEnabled());
    form->InnsMemo->setPlainText(QString::fromStdString(portal.contracts().front().inns.front()));
    form->DatePublishedPicker->setOptionalDate(config.firstDay);
    form->DatePublishedPicker2->setOptionalDate(config.lastDay);
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    EXPECT_TRUE(form->StopButton->isEnabled());
    const QString waiting = u"Другая копия программы выводит отчет в этой папке"_q;
    for (int i = 0; i < 3000 && !form->LogsMemo->toPlainText().contains(waiting); ++i)
        QTest::qWait(20);
    ASSERT_TRUE(form->LogsMemo->toPlainText().contains(waiting));

    // "Нет" keeps the window and its run.
    messages.answer = u"Нет"_q;
    form->close();
    EXPECT_TRUE(messages.texts.contains(u"Идёт сбор. Остановить и закрыть?"_q));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->runControl().IsRunActive());

    messages.answer = u"Да"_q;
    form->close();
    EXPECT_FALSE(form->runControl().IsRunActive());
    form.reset();
    other.reset();

    const QString log = logFileText(dir.path());
    EXPECT_TRUE(log.contains(u"Ожидание другой копии программы прервано остановкой"_q))
        << log.toStdString();
    EXPECT_TRUE(
        log.contains(u"Итог работы: остановлено пользователем во время составления "
                     u"отчётов; отчёты составлены не по всем ИНН, новых строк не записано"_q));
    EXPECT_TRUE(QDir(dir.path()).entryList({u"*.tab"_q}).isEmpty());
    SetPortalBase(u"https://zakupki.gov.ru"_q);
}
