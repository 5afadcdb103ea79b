#include "app/OptionalDateEdit.h"
#include "app/RunStatusLine.h"
#include "app/RunSummaryPanel.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/TextFile.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/MessageBoxCatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

namespace {

class MainFormRunViewTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> showForm(const QString& placementPath = QString()) {
        MainFormOptions o;
        o.programDir = dir.path() + u"/"_q;
        o.placementPath = placementPath;
        o.checkPlacement = false;
        auto form = std::make_unique<TMainForm>(o);
        form->show();
        return form;
    }

    // A small synthetic portal whose every answer comes slowly, so that a run lasts.
    void startSlowPortal() {
        SyntheticPortalConfig config;
        config.lastDay = QDate::currentDate();
        config.firstDay = config.lastDay.addDays(-2);
        config.contracts44 = 3;
        config.contractsCapital = 0;
        config.contracts223 = 0;
        portal = std::make_unique<SyntheticPortal>(replica, config);
        replica.start();
        SetPortalBase(QString::fromStdString(replica.baseUrl()));
        replica.setSlowBodyDelay(std::chrono::milliseconds(5));
        replica.setFaultRate(PortalReplica::Fault::SlowBody, 1.0, 1);
    }

    void TearDown() override { SetPortalBase(u"https://zakupki.gov.ru"_q); }

    static void startRun(TMainForm& form) {
        form.InnsMemo->setPlainText(u"7707083893"_q);
        form.DatePublishedPicker->setOptionalDate(QDate::currentDate().addDays(-2));
        QTest::mouseClick(form.StartButton, Qt::LeftButton);
        ASSERT_TRUE(form.runControl().IsRunActive());
    }

    // Lets the window handle events until the condition holds or 30 s have passed.
    static bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 30000);
    }

    QTemporaryDir dir;
    MessageBoxCatcher messages;
    PortalReplica replica;
    std::unique_ptr<SyntheticPortal> portal;
};

bool startsWith(const QLabel* label, const QString& text) {
    return label->text().startsWith(text);
}

// Drags a splitter's handle sideways by dx, as the mouse does.
void dragHandle(QSplitter* splitter, int dx) {
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint from = handle->rect().center();
    const QPoint to = from + QPoint(dx, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    QApplication::sendEvent(handle, &move);
    QApplication::sendEvent(handle, &release);
}

}  // namespace

TEST_F(MainFormRunViewTest, StatusLineFollowsPauseResumeAndStop) {
    startSlowPortal();
    auto form = showForm();
    EXPECT_TRUE(form->StatusLabel->text().isEmpty());
    startRun(*form);
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Идёт сбор, прошло 0:00:0"_q));
    // The bar carries "N из M" once the run has set it, and what the run is busy with once a
    // job has ended.
    ASSERT_TRUE(waitFor([&] { return form->ProgressBar->maximum() == 3; }));
    EXPECT_TRUE(form->ProgressBar->isTextVisible());
    const QString barText = form->ProgressBar->text();
    EXPECT_TRUE(barText == u"0 из 3"_q || barText.endsWith(u" из 3 — поиск"_q))
        << barText.toStdString();

    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Пауза, прошло "_q));
    EXPECT_TRUE(form->PauseButton->isChecked());
    EXPECT_EQ(form->PauseButton->text(), u"пауза"_q);
    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Идёт сбор"_q));
    EXPECT_FALSE(form->PauseButton->isChecked());
    EXPECT_EQ(form->PauseButton->text(), u"пауза"_q);

    // Stop while paused.
    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    QTest::mouseClick(form->StopButton, Qt::LeftButton);
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Останавливаем работу"_q));
    EXPECT_FALSE(form->PauseButton->isChecked());
    ASSERT_TRUE(form->runControl().WaitForRunEnd(60000));
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Остановлено, время работы 0:0"_q));
    EXPECT_FALSE(form->ProgressBar->isTextVisible());
    EXPECT_EQ(form->ProgressBar->value(), 0);
    // The outcome stays after the run, through later clicks that do nothing.
    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    EXPECT_FALSE(form->PauseButton->isChecked());
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Остановлено"_q));
}

TEST_F(MainFormRunViewTest, StatusLineNamesADoneAndAFailedRun) {
    startSlowPortal();
    replica.setFaultRate(PortalReplica::Fault::SlowBody, 0, 1);
    auto form = showForm();
    startRun(*form);
    ASSERT_TRUE(form->runControl().WaitForRunEnd(60000));
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Готово, время работы "_q));

    // A list file the run cannot read fails the run at its set-up.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"proxy.txt"_q));
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    ASSERT_TRUE(form->runControl().WaitForRunEnd(60000));
    EXPECT_TRUE(startsWith(form->StatusLabel, u"Ошибка: Не удалось прочитать файл "_q))
        << form->StatusLabel->text().toStdString();
    EXPECT_FALSE(form->StatusLabel->text().contains(u"завершаем работу"_q));
    EXPECT_TRUE(form->StatusLabel->text().contains(u", время работы "_q));
}

TEST_F(MainFormRunViewTest, TheSummaryShowsAfterARunAndANewRunPutsItAway) {
    startSlowPortal();
    replica.setFaultRate(PortalReplica::Fault::SlowBody, 0, 1);
    auto form = showForm();
    QList<QUrl> opened;
    form->SummaryPanel->openUrl = [&opened](const QUrl& url) {
        opened << url;
        return true;
    };
    RunSummary summary;
    summary.programDir = dir.path() + u"/"_q;
    summary.reports = {{u"7707083893"_q, 2, 0, u"a.tab"_q, u"a.xlsx"_q}};
    form->showRunSummary(summary);
    ASSERT_TRUE(form->SummaryPanel->isVisible());
    QTest::mouseClick(form->SummaryPanel->OpenReportButton, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl::fromLocalFile(dir.filePath(u"a.xlsx"_q)));
    // The panel blocks nothing: a run starts while it is shown, and hides it.
    startRun(*form);
    EXPECT_FALSE(form->SummaryPanel->isVisible());
    ASSERT_TRUE(form->runControl().WaitForRunEnd(60000));
}

TEST_F(MainFormRunViewTest, RangeModeSplitterAndGeometryAreRememberedAcrossStarts) {
    const QDate from(2025, 11, 3);
    int innsWidth = 0;
    {
        auto form = showForm();
        form->resize(1100, 820);
        QTest::qWait(20);
        const int before = form->InnsLogSplitter->sizes().first();
        dragHandle(form->InnsLogSplitter, 120);
        innsWidth = form->InnsLogSplitter->sizes().first();
        EXPECT_GT(innsWidth, before + 60);
        form->DatePublishedPicker->setOptionalDate(from);
        form->SearchByInnCheckBox->click();
        form->close();
    }
    QSettings ini(dir.filePath(u"settings.ini"_q), QSettings::IniFormat);
    EXPECT_EQ(ini.value(u"Settings/DateFrom"_q).toString(), u"03.11.2025"_q);
    EXPECT_EQ(ini.value(u"Settings/DateTo"_q).toString(), QString());
    EXPECT_TRUE(ini.value(u"Settings/SearchByInn"_q).toBool());

    auto form = showForm();
    EXPECT_EQ(form->DatePublishedPicker->optionalDate(), from);
    EXPECT_FALSE(form->DatePublishedPicker2->optionalDate().isValid());
    EXPECT_EQ(form->DatePublishedPicker2->text(), u"не задана"_q);
    EXPECT_TRUE(form->SearchByInnCheckBox->isChecked());
    EXPECT_EQ(form->size(), QSize(1100, 820));
    EXPECT_EQ(form->InnsLogSplitter->sizes().first(), innsWidth);
    // Growing the window widens the log, not the INN list.
    form->resize(1300, 820);
    QTest::qWait(20);
    EXPECT_EQ(form->InnsLogSplitter->sizes().first(), innsWidth);
}

TEST_F(MainFormRunViewTest, ReadOnlyProgramFolderSaysWhereTheDataIsAndReadsItsList) {
    // The program file's folder holds a list; the data lives elsewhere.
    QTemporaryDir programFolder;
    WriteTextFile(programFolder.filePath(u"INNs.txt"_q), u"Своя\t7701234567\r\n"_q,
                  TextEncoding::Windows1251);
    {
        auto form = showForm(programFolder.path());
        const QString log = form->LogsMemo->toPlainText();
        EXPECT_TRUE(
            log.contains(u"Папка данных программы: "_q + QDir::toNativeSeparators(dir.path())));
        EXPECT_EQ(log.count(u"записывать нельзя"_q), 1);
        EXPECT_TRUE(log.contains(programFolder.path()));
        EXPECT_EQ(form->InnsMemo->toPlainText(), u"Своя\t7701234567"_q);
        form->InnsMemo->setPlainText(u"500100732259"_q);
        form->close();
    }
    // From then on the data folder's own list is read.
    auto form = showForm(programFolder.path());
    EXPECT_EQ(form->InnsMemo->toPlainText(), u"500100732259"_q);
    EXPECT_FALSE(form->LogsMemo->toPlainText().contains(u"Список ИНН взят из файла"_q));
}

TEST_F(MainFormRunViewTest, AWritableProgramFolderIsNamedWithoutAWarning) {
    auto form = showForm(dir.path());
    const QString log = form->LogsMemo->toPlainText();
    EXPECT_TRUE(log.contains(u"Папка данных программы: "_q));
    EXPECT_FALSE(log.contains(u"записывать нельзя"_q));
    EXPECT_EQ(form->InnsMemo->toPlainText().split(u'\n').size(), 3);
}

// Also run at QT_SCALE_FACTOR=1.5 (window_tests_scaled).
TEST_F(MainFormRunViewTest, NewControlsFollowThePartsOnesInTheTabOrderAndNothingIsClipped) {
    auto form = showForm();
    RunSummary summary;
    summary.programDir = dir.path() + u"/"_q;
    summary.reports = {{u"7707083893"_q, 0, 4, QString(), QString()}};
    form->showRunSummary(summary);
    QTest::qWait(20);

    QWidget* expected[] = {form->DatePublishedPicker,
                           form->SearchByInnCheckBox,
                           form->StagesComboBox,
                           form->SummaryPanel->ReportsList,
                           form->SummaryPanel->OpenReportButton,
                           form->SummaryPanel->OpenFolderButton,
                           form->SummaryPanel->HideButton};
    for (std::size_t i = 1; i + 1 < std::size(expected); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !next->isVisibleTo(form.get()))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, expected[i + 1]) << i;
        EXPECT_FALSE(expected[i]->accessibleName().isEmpty()) << i;
    }
    EXPECT_FALSE(form->StatusLabel->accessibleName().isEmpty());

    // Every visible text control has at least the room its text asks for.
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (!widget->isVisible()) continue;
        const bool text =
            qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
            qobject_cast<QAbstractSpinBox*>(widget) ||
            (qobject_cast<QLabel*>(widget) && !qobject_cast<QLabel*>(widget)->wordWrap());
        // The parts of a compound field are sized by it.
        if (!text || qobject_cast<QLineEdit*>(widget->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(widget->parentWidget()))
            continue;
        const QSize need = widget->minimumSizeHint();
        EXPECT_GE(widget->width(), need.width())
            << widget->metaObject()->className() << " " << widget->accessibleName().toStdString();
        EXPECT_GE(widget->height(), need.height())
            << widget->metaObject()->className() << " "
            << widget->parentWidget()->metaObject()->className();
    }
}
// Also run at QT_SCALE_FACTOR=1.5 (window_tests_scaled).
TEST_F(MainFormRunViewTest, TheDefaultSizeIsTheLayoutsAndTheStatusLineKeepsToItNothingIsClipped) {
    auto form = showForm();
    QTest::qWait(20);
    // The layout's size, cut to the screen (less the frame) where that is smaller (at 150 %).
    const QSize frame = form->frameGeometry().size() - form->size();
    const QSize fitted =
        QSize(965, 747).boundedTo(form->screen()->availableGeometry().size() - frame);
    EXPECT_EQ(form->size(), fitted);
    EXPECT_EQ(form->InnsLogSplitter->sizes(), (QList<int>{131, 812}));

    // A long outcome is wrapped and cut to the line's room; the window does not grow for it.
    form->StatusLabel->runStarted();
    form->StatusLabel->runEnded(u"ERROR_Не удалось прочитать файл "_q + dir.path() +
                                    u"/proxy.txt: это папка, а не файл; завершаем работу"_q,
                                false);
    QTest::qWait(20);
    EXPECT_EQ(form->size(), fitted);
    const QRect room = form->StatusLabel->contentsRect();
    const QFontMetrics metrics(form->StatusLabel->font());
    QStringList lines = RunStatusLine::fittedLines(
        form->StatusLabel->text(), form->StatusLabel->font(), room.width(), room.height());
    EXPECT_GE(lines.size(), 2);
    EXPECT_LE(lines.size() * metrics.lineSpacing(), room.height());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), room.width()) << line.toStdString();
    EXPECT_TRUE(lines.last().endsWith(u"…"_q));
    EXPECT_TRUE(form->StatusLabel->toolTip().contains(u"это папка, а не файл"_q));
    // A short one is shown whole.
    const QString done = u"Готово, время работы 0:00:41"_q;
    lines =
        RunStatusLine::fittedLines(done, form->StatusLabel->font(), room.width(), room.height());
    EXPECT_EQ(lines.join(u' '), done);
}

TEST_F(MainFormRunViewTest, TheWindowFitsTheScreenFirstAndWithARememberedGeometry) {
    for (int start = 0; start < 2; ++start) {
        auto form = showForm();
        QTest::qWait(20);
        const QRect available = form->screen()->availableGeometry();
        EXPECT_TRUE(available.contains(form->frameGeometry()))
            << start << " " << form->frameGeometry().width() << "x"
            << form->frameGeometry().height();
        // Remembered larger than the screen and partly off it: brought back the next time.
        form->resize(available.width() + 300, available.height() + 300);
        form->move(available.right() - 100, available.bottom() - 100);
        form->close();
    }
}
