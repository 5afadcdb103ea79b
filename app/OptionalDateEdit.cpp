#include "app/OptionalDateEdit.h"

#include <QCalendarWidget>
#include <QKeyEvent>

namespace {

// The origin of the date type of the desktop the program was written for:
// a picker standing on it is unset.
const QDate kUnset(1899, 12, 30);

}  // namespace

OptionalDateEdit::OptionalDateEdit(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setMinimumDate(kUnset);
    setSpecialValueText(QStringLiteral("не задана"));
    setDate(kUnset);
}

QDate OptionalDateEdit::optionalDate() const {
    return date() == kUnset ? QDate() : date();
}

void OptionalDateEdit::setOptionalDate(const QDate& value) {
    setDate(value.isValid() ? value : kUnset);
}

void OptionalDateEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        setOptionalDate(QDate());
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void OptionalDateEdit::mousePressEvent(QMouseEvent* event) {
    openCalendarOnToday();
    QDateEdit::mousePressEvent(event);
}

void OptionalDateEdit::openCalendarOnToday() {
    if (optionalDate().isValid() || !calendarWidget()) return;
    const QDate today = QDate::currentDate();
    calendarWidget()->setCurrentPage(today.year(), today.month());
}
