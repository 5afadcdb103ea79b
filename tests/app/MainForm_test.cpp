#include "app/OptionalDateEdit.h"
#include "app/QtTranslations.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/TextFile.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"
#include "tests/app/MessageBoxCatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormOptions options(bool withOcr = true) {
        MainFormOptions o;
        o.programDir = dir.path() + u"/"_q;
        o.checkPlacement = false;
        o.findTesseract = withOcr;
        return o;
    }

    void writeSettings(const QString& threads) {
        QFile file(dir.filePath(u"settings.ini"_q));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\r\nThreads=" + threads.toUtf8() + "\r\nPortal=\r\nOther=keep\r\n");
    }

    std::unique_ptr<TMainForm> showForm(bool withOcr = true) {
        auto form = std::make_unique<TMainForm>(options(withOcr));
        form->show();
        return form;
    }

    QTemporaryDir dir;
    MessageBoxCatcher messages;
};

}  // namespace

TEST_F(MainFormTest, FreshStartShowsSamplesAndAWeekLongOpenRange) {
    auto form = showForm();
    EXPECT_EQ(form->InnsMemo->toPlainText().split(u'\n').size(), 3);
    EXPECT_EQ(form->DatePublishedPicker->optionalDate(), QDate::currentDate().addDays(-7));
    EXPECT_FALSE(form->DatePublishedPicker2->optionalDate().isValid());
    EXPECT_EQ(form->DatePublishedPicker2->text(), u"не задана"_q);
    EXPECT_EQ(form->LimitEdit->value(), 1);
    EXPECT_TRUE(
        form->windowTitle().startsWith(u"Парсер контрактов/договоров поставщика по ИНН на "_q));
    EXPECT_TRUE(form->windowTitle().endsWith(u" по 44ФЗ, 223ФЗ, 615ПП"_q));
    EXPECT_FALSE(form->IntervalSpinEdit->isVisible());
    EXPECT_FALSE(form->UseProxyCheckBox->isVisible());
    EXPECT_TRUE(QFile::exists(dir.filePath(u"db.s3db"_q)));
}

TEST_F(MainFormTest, ThreadCountIsClampedToItsRange) {
    const std::pair<const char16_t*, int> cases[] = {
        {u"abc", 1}, {u"0", 1}, {u"8", 8}, {u"5000", 1000}};
    for (const auto& [text, expected] : cases) {
        writeSettings(QString::fromUtf16(text));
        auto form = showForm();
        EXPECT_EQ(form->LimitEdit->value(), expected) << QString::fromUtf16(text).toStdString();
    }
}

TEST_F(MainFormTest, CtrlASelectsAllInBothTextFields) {
    auto form = showForm();
    form->LogsMemo->setPlainText(u"первая\nвторая"_q);
    for (QPlainTextEdit* memo : {form->InnsMemo, form->LogsMemo}) {
        memo->setFocus();
        memo->moveCursor(QTextCursor::Start);
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(memo->textCursor().selectedText().size(), memo->toPlainText().size());
    }
    // Without Ctrl the letter is typed.
    form->InnsMemo->moveCursor(QTextCursor::End);
    QTest::keyClick(form->InnsMemo, Qt::Key_A);
    EXPECT_TRUE(form->InnsMemo->toPlainText().endsWith(u"a"_q));
}

TEST_F(MainFormTest, MissingOcrEngineDisablesStartForGood) {
    auto form = showForm(false);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts.first(), u"Tesseract не найден: tesseract"_q);
    EXPECT_TRUE(form->LogsMemo->toPlainText().contains(
        u"Скачайте программу для распознавания текста на сканах отсюда: "_q));
    EXPECT_TRUE(form->LogsMemo->toPlainText().contains(
        u"После установки программы перезапустите парсер"_q));
    EXPECT_FALSE(form->StartButton->isEnabled());
    form->setRunControlsEnabled(true);  // a run's end does not bring it back
    EXPECT_FALSE(form->StartButton->isEnabled());
}

TEST_F(MainFormTest, BlankInnListAsksForOne) {
    auto form = showForm();
    form->InnsMemo->setPlainText(u"   \n\n"_q);
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    EXPECT_TRUE(messages.texts.contains(u"Задайте список ИНН!"_q));
    EXPECT_FALSE(form->runControl().IsRunActive());
}

TEST_F(MainFormTest, SettingsAndListKeepTheirEncodingAcrossARestart) {
    writeSettings(u"8"_q);
    const QString list = u"Группа\tФирма\t7701234567\r\n500100732259\r\n"_q;
    for (TextEncoding encoding : {TextEncoding::Windows1251, TextEncoding::Utf8Bom}) {
        WriteTextFile(dir.filePath(u"INNs.txt"_q), list, encoding);
        {
            auto form = showForm();
            EXPECT_EQ(form->InnsMemo->toPlainText(), u"Группа\tФирма\t7701234567\n500100732259"_q);
            form->LimitEdit->setValue(12);
            form->close();
        }
        const auto saved = ReadTextFile(dir.filePath(u"INNs.txt"_q));
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->encoding, encoding);
        EXPECT_EQ(saved->text, list);
        QSettings ini(dir.filePath(u"settings.ini"_q), QSettings::IniFormat);
        EXPECT_EQ(ini.value(u"Settings/Threads"_q).toInt(), 12);
        EXPECT_EQ(ini.value(u"Settings/Other"_q).toString(), u"keep"_q);
    }
}

TEST_F(MainFormTest, RunControlsDriveARunAgainstTheReplica) {
    PortalReplica replica;
    SyntheticPortalConfig config;
    config.lastDay = QDate::currentDate();
    config.firstDay = config.lastDay.addDays(-3);
    config.contracts44 = 3;
    config.contractsCapital = 0;
    config.contracts223 = 0;
    SyntheticPortal portal(replica, config);
    replica.start();
    SetPortalBase(QString::fromStdString(replica.baseUrl()));
    replica.setSlowBodyDelay(std::chrono::milliseconds(30));
    replica.queueFaults("/epz/", {PortalReplica::Fault::SlowBody});

    auto form = showForm();
    const SyntheticContract& reported = portal.contracts().front();
    form->InnsMemo->setPlainText(QString::fromStdString(reported.inns.front()));
    form->DatePublishedPicker->setOptionalDate(config.firstDay);
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    EXPECT_TRUE(form->runControl().IsRunActive());
    form->runControl().WaitForRunEnd(200);
    EXPECT_FALSE(form->StartButton->isEnabled());
    EXPECT_FALSE(form->InnsMemo->isEnabled());

    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    QTest::mouseClick(form->PauseButton, Qt::LeftButton);
    const QString log = form->LogsMemo->toPlainText();
    EXPECT_TRUE(log.contains(u": Включаем паузу"_q));
    EXPECT_TRUE(log.contains(u": Отключаем паузу, продолжаем работу"_q));

    ASSERT_TRUE(form->runControl().WaitForRunEnd(60000));
    EXPECT_TRUE(form->LogsMemo->toPlainText().contains(u": Сбор данных завершен"_q));
    EXPECT_TRUE(form->StartButton->isEnabled());
    EXPECT_EQ(QDir(dir.path()).entryList({u"log*.txt"_q}).size(), 1);
    // The report of the listed INN holds its contract's card.
    const QStringList reports = QDir(dir.path()).entryList({u"*.tab"_q});
    ASSERT_EQ(reports.size(), 1);
    QFile report(dir.filePath(reports.first()));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains(QByteArray::fromStdString(reported.cardPath)));
    EXPECT_EQ(QDir(dir.path()).entryList({u"*.xlsx"_q}).size(), 1);
    SetPortalBase(u"https://zakupki.gov.ru"_q);
}

TEST_F(MainFormTest, StartFromATemporaryFolderEndsAfterItsMessage) {
    MainFormOptions o = options();
    o.checkPlacement = true;
    o.placementPath = QDir::tempPath() + u"/unpacked/cf"_q;
    TMainForm form(o);
    form.show();
    EXPECT_TRUE(form.startupFailed());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.first().startsWith(u"Программа запущена из временной папки!"_q));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"db.s3db"_q)));
}

TEST_F(MainFormTest, DamagedDatabaseIsMovedAsideOnlyOnYes) {
    const QByteArray noise(3000, '\x5a');
    auto writeNoise = [&] {
        QFile file(dir.filePath(u"db.s3db"_q));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(noise);
    };
    auto readDb = [&] {
        QFile file(dir.filePath(u"db.s3db"_q));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    writeNoise();
    messages.answer = u"Нет"_q;
    {
        auto form = showForm();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts.first().contains(u"повреждён или не является базой данных"_q));
        EXPECT_TRUE(messages.texts.first().contains(u"db.s3db.damaged-"_q));
        EXPECT_FALSE(form->StartButton->isEnabled());
        form->setRunControlsEnabled(true);
        EXPECT_FALSE(form->StartButton->isEnabled());
        EXPECT_TRUE(form->LogsMemo->toPlainText().contains(u"Файл оставлен как есть"_q));
        EXPECT_EQ(readDb(), noise);
    }
    messages.answer = u"Да"_q;
    auto form = showForm();
    EXPECT_TRUE(form->StartButton->isEnabled());
    const QStringList moved = QDir(dir.path()).entryList({u"db.s3db.damaged-*"_q});
    ASSERT_EQ(moved.size(), 1);
    QFile kept(dir.filePath(moved.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), noise);
    EXPECT_TRUE(readDb().startsWith("SQLite format 3"));
}

TEST_F(MainFormTest, BadPortalAddressStartsNoRun) {
    MainFormOptions o = options();
    o.portalProblem = u"Адрес портала \"htps://x\" не подходит"_q;
    TMainForm form(o);
    form.show();
    EXPECT_TRUE(form.LogsMemo->toPlainText().contains(o.portalProblem));
    QTest::mouseClick(form.StartButton, Qt::LeftButton);
    EXPECT_FALSE(form.runControl().IsRunActive());
    EXPECT_EQ(messages.texts.last(), o.portalProblem);
}

TEST_F(MainFormTest, ReversedRangeOrBadInnListStartsNoRun) {
    auto form = showForm();
    form->DatePublishedPicker->setOptionalDate(QDate(2024, 3, 10));
    form->DatePublishedPicker2->setOptionalDate(QDate(2024, 3, 1));
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    EXPECT_FALSE(form->runControl().IsRunActive());
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_TRUE(messages.texts.last().startsWith(
        u"Дата окончания периода (01.03.2024) раньше даты начала (10.03.2024)"_q));

    form->DatePublishedPicker2->setOptionalDate(QDate());
    form->InnsMemo->setPlainText(u"7707083894\n123"_q);
    QTest::mouseClick(form->StartButton, Qt::LeftButton);
    EXPECT_FALSE(form->runControl().IsRunActive());
    EXPECT_TRUE(messages.texts.last().startsWith(u"В списке ИНН нет ни одного верного ИНН"_q));
    const QString log = form->LogsMemo->toPlainText();
    EXPECT_TRUE(
        log.contains(u"Строка 1 списка ИНН: \"7707083894\" — неверные контрольные цифры"_q));
    EXPECT_TRUE(log.contains(u"Строка 2 списка ИНН: \"123\" — не ИНН: нужно 10 или 12 цифр"_q));
}

TEST(OptionalDateEdit, DeleteUnsetsThePicker) {
    OptionalDateEdit edit;
    edit.setOptionalDate(QDate(2024, 3, 1));
    EXPECT_EQ(edit.optionalDate(), QDate(2024, 3, 1));
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_FALSE(edit.optionalDate().isValid());
    EXPECT_EQ(edit.text(), u"не задана"_q);
}

TEST(QtTranslations, TheTextFieldsMenuIsRussian) {
    ASSERT_TRUE(InstallQtTranslations()) << "qt6-translations-l10n is not installed";
    QPlainTextEdit edit;
    edit.setPlainText(u"текст"_q);
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text().remove(u'&');
    EXPECT_TRUE(texts.join(u' ').contains(u"Копировать"_q)) << texts.join(u'|').toStdString();
    EXPECT_FALSE(texts.join(u' ').contains(u"Copy"_q));
}

TEST_F(MainFormTest, SettingsThatCannotBeSavedAreSaidAtClose) {
    auto form = showForm();
    // A folder in the file's place: no file system lets it be written.
    ASSERT_TRUE(QDir().mkdir(dir.filePath(u"settings.ini"_q)));
    form->close();
    EXPECT_TRUE(messages.texts.filter(u"Не удалось сохранить настройки в файл "_q).size() == 1)
        << messages.texts.join(u'\n').toStdString();
}
