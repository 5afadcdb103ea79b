#pragma once

#include <QDate>
#include <QLineEdit>
#include <functional>

class QCalendarWidget;
class QFrame;

// A date picker that can be left unset: it then shows "не задана". A date is
// typed as dd.mm.yyyy (or ddmmyyyy) and taken when editing ends; a text that
// is no date is refused, the field keeps its previous date, is marked until a
// good date is given, and a hint says how to write one. The calendar (the button at the right,
// Alt+Down or F4) opens on the chosen date, or on today's month when none is chosen. Delete unsets
// the field.
class OptionalDateEdit : public QLineEdit {
public:
    explicit OptionalDateEdit(QWidget* parent = nullptr);
    ~OptionalDateEdit() override;

    // A null date when unset.
    QDate optionalDate() const;
    void setOptionalDate(const QDate& date);

    // Opens the calendar under the field.
    void showCalendar();
    // The calendar, once it was opened (tests look at its page).
    QCalendarWidget* calendar() const { return m_calendar; }
    // The hint given for the last refused text, empty after a good one. While
    // it stands the field is marked (a reddish background) and its tooltip says it.
    QString lastHint() const { return m_lastHint; }
    bool isMarkedInvalid() const { return !m_lastHint.isEmpty(); }

    // Takes the typed text: a date, an empty text (unset) or a refusal.
    void commitText();

    // A text as typed into the field: dd.mm.yyyy, d.m.yyyy or ddmmyyyy; a null date otherwise.
    static QDate parseDate(const QString& text);

    // Called after the date changed through the field (typing, calendar, Delete).
    std::function<void()> onDateChanged;
    // Called with the hint when a typed text is refused.
    std::function<void(const QString& hint)> onRefused;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showDate();
    void changeTo(const QDate& date);
    void refuse(const QString& text);
    void setMark(const QString& hint);

    QDate m_date;
    QString m_lastHint;
    QFrame* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};
