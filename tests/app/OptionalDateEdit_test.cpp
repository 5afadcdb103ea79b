#include "app/OptionalDateEdit.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QTest>

namespace {

// Types into the field as a user does: focus, keys, Enter.
void typeInto(OptionalDateEdit& edit, const QString& keys) {
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, keys);
    QTest::keyClick(&edit, Qt::Key_Return);
}

class OptionalDateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 100);
        edit = new OptionalDateEdit(&window);
        other = new QWidget(&window);
        other->setFocusPolicy(Qt::StrongFocus);
        window.show();
        QApplication::setActiveWindow(&window);
    }

    QWidget window;
    OptionalDateEdit* edit = nullptr;
    QWidget* other = nullptr;
};

}  // namespace

TEST_F(OptionalDateEditTest, ADateTypedIntoAnUnsetFieldIsTaken) {
    int changes = 0;
    edit->onDateChanged = [&changes] { ++changes; };
    edit->setFocus();
    EXPECT_EQ(edit->text(), QString());  // the hint "дд.мм.гггг" shows while typing
    typeInto(*edit, u"01122026"_q);
    EXPECT_EQ(edit->optionalDate(), QDate(2026, 12, 1));
    EXPECT_EQ(edit->text(), u"01.12.2026"_q);
    typeInto(*edit, u"5.3.2025"_q);
    EXPECT_EQ(edit->optionalDate(), QDate(2025, 3, 5));
    EXPECT_EQ(changes, 2);
    // Leaving the field takes what was typed too.
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, u"10.01.2024"_q);
    other->setFocus();
    EXPECT_EQ(edit->optionalDate(), QDate(2024, 1, 10));
}

TEST_F(OptionalDateEditTest, AnInvalidDateIsRefusedWithAHint) {
    edit->setOptionalDate(QDate(2025, 3, 5));
    QStringList said;
    edit->onRefused = [&said](const QString& hint) { said << hint; };
    for (const QString& typed : {u"31.02.2026"_q, u"32.01.2026"_q, u"1.2.26"_q}) {
        typeInto(*edit, typed);
        EXPECT_EQ(edit->optionalDate(), QDate(2025, 3, 5)) << typed.toStdString();
        EXPECT_TRUE(edit->lastHint().contains(typed)) << edit->lastHint().toStdString();
        EXPECT_TRUE(edit->lastHint().contains(u"дд.мм.гггг"_q));
        // The field stays marked, its tooltip saying why, after the passing hint.
        EXPECT_TRUE(edit->isMarkedInvalid());
        EXPECT_EQ(edit->toolTip(), edit->lastHint());
        EXPECT_EQ(said.size() ? said.last() : QString(), edit->lastHint());
    }
    // Letters are not typed at all.
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, u"abc"_q);
    EXPECT_EQ(edit->text(), u"05.03.2025"_q);
    // An emptied field is unset; a good date clears the hint.
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->optionalDate().isValid());
    typeInto(*edit, u"07.07.2025"_q);
    EXPECT_TRUE(edit->lastHint().isEmpty());
    EXPECT_FALSE(edit->isMarkedInvalid());
    EXPECT_TRUE(edit->toolTip().isEmpty());
    other->setFocus();
    edit->setOptionalDate(QDate());
    EXPECT_EQ(edit->text(), u"не задана"_q);
}

TEST_F(OptionalDateEditTest, TheCalendarOpensOnTodayWhenUnsetAndOnTheDateWhenSet) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(edit->calendar(), nullptr);
    EXPECT_TRUE(edit->calendar()->isVisible());
    EXPECT_EQ(edit->calendar()->yearShown(), QDate::currentDate().year());
    EXPECT_EQ(edit->calendar()->monthShown(), QDate::currentDate().month());
    // Choosing a day in it sets the field.
    const QDate chosen = QDate::currentDate().addDays(-3);
    edit->calendar()->setSelectedDate(chosen);
    QTest::keyClick(
        edit->calendar()->focusWidget() ? edit->calendar()->focusWidget() : edit->calendar(),
        Qt::Key_Return);
    EXPECT_EQ(edit->optionalDate(), chosen);
    EXPECT_FALSE(edit->calendar()->isVisible());

    edit->setOptionalDate(QDate(2021, 5, 17));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(edit->calendar()->yearShown(), 2021);
    EXPECT_EQ(edit->calendar()->monthShown(), 5);
}
