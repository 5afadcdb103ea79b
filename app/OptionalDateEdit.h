#pragma once

#include <QDate>
#include <QDateEdit>

// A date picker that can be left unset: it then shows "не задана" and its
// calendar opens on today's month. Delete or Backspace on the whole field
// unsets it.
class OptionalDateEdit : public QDateEdit {
public:
    explicit OptionalDateEdit(QWidget* parent = nullptr);

    // A null date when unset.
    QDate optionalDate() const;
    void setOptionalDate(const QDate& date);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void openCalendarOnToday();
};
