#include "app/OptionalDateEdit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const QString kUnsetText = QStringLiteral("не задана");
const QString kFormat = QStringLiteral("dd.MM.yyyy");

// A small calendar sheet for the button that opens the calendar.
QIcon calendarIcon(const QPalette& palette) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor ink = palette.color(QPalette::Text);
    painter.setPen(ink);
    painter.drawRect(2, 3, 11, 10);
    painter.fillRect(2, 3, 12, 3, ink);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col)
            painter.fillRect(4 + col * 3, 8 + row * 3, 2, 2, ink);
    }
    return QIcon(pixmap);
}

}  // namespace

OptionalDateEdit::OptionalDateEdit(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(QStringLiteral("дд.мм.гггг"));
    // Digits and dots only, or the unset text itself; anything else is not typed at all.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("не задана|[0-9.]{0,10}")), this));
    QAction* open = addAction(calendarIcon(palette()), QLineEdit::TrailingPosition);
    open->setToolTip(QStringLiteral("Открыть календарь (Alt+стрелка вниз)"));
    connect(open, &QAction::triggered, this, [this] { showCalendar(); });
    connect(this, &QLineEdit::editingFinished, this, [this] { commitText(); });
    showDate();
}

OptionalDateEdit::~OptionalDateEdit() = default;

QDate OptionalDateEdit::optionalDate() const {
    return m_date;
}

void OptionalDateEdit::setOptionalDate(const QDate& date) {
    m_date = date.isValid() ? date : QDate();
    showDate();
}

QDate OptionalDateEdit::parseDate(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})$"));
    static const QRegularExpression plain(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    QRegularExpressionMatch match = dotted.match(text.trimmed());
    if (!match.hasMatch()) match = plain.match(text.trimmed());
    if (!match.hasMatch()) return {};
    const int year = match.captured(3).toInt();
    if (year < 1900) return {};
    return QDate(year, match.captured(2).toInt(), match.captured(1).toInt());
}

void OptionalDateEdit::commitText() {
    const QString typed = text().trimmed();
    const QString current = m_date.isValid() ? m_date.toString(kFormat) : kUnsetText;
    if (typed == current || (typed.isEmpty() && !m_date.isValid())) {
        setMark(QString());
        if (!hasFocus()) showDate();
        return;
    }
    if (typed.isEmpty()) {
        changeTo(QDate());
        return;
    }
    const QDate date = parseDate(typed);
    if (!date.isValid()) {
        refuse(typed);
        return;
    }
    changeTo(date);
}

void OptionalDateEdit::changeTo(const QDate& date) {
    setMark(QString());
    const bool changed = date != m_date;
    m_date = date;
    showDate();
    if (changed && onDateChanged) onDateChanged();
}

void OptionalDateEdit::refuse(const QString& text) {
    setMark(QStringLiteral("«%1» — не дата. Введите дату в виде дд.мм.гггг, например %2; "
                           "поле сохранило прежнее значение")
                .arg(text, QDate::currentDate().toString(kFormat)));
    showDate();
    QToolTip::showText(mapToGlobal(QPoint(0, height())), m_lastHint, this);
    if (onRefused) onRefused(m_lastHint);
}

// The mark outlasts the passing tooltip, so that a refused text is not taken
// for an accepted one.
void OptionalDateEdit::setMark(const QString& hint) {
    if (hint == m_lastHint) return;
    m_lastHint = hint;
    QPalette marked;
    if (!hint.isEmpty()) marked.setColor(QPalette::Base, QColor(255, 215, 215));
    setPalette(hint.isEmpty() ? QPalette() : marked);
    setToolTip(hint);
    setAccessibleDescription(hint);
}

// While the field is being typed into, an unset date shows as an empty text
// with the dd.mm.yyyy hint, so that the first digit typed starts the date.
void OptionalDateEdit::showDate() {
    if (m_date.isValid())
        setText(m_date.toString(kFormat));
    else
        setText(hasFocus() ? QString() : kUnsetText);
}

void OptionalDateEdit::showCalendar() {
    if (!m_popup) {
        m_popup = new QFrame(this, Qt::Popup);
        m_popup->setFrameShape(QFrame::StyledPanel);
        auto* layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(1, 1, 1, 1);
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        m_calendar->setFirstDayOfWeek(Qt::Monday);
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        m_calendar->setAccessibleName(QStringLiteral("Календарь"));
        layout->addWidget(m_calendar);
        const auto choose = [this](const QDate& date) {
            m_popup->hide();
            changeTo(date);
        };
        connect(m_calendar, &QCalendarWidget::activated, this, choose);
        connect(m_calendar, &QCalendarWidget::clicked, this, choose);
    }
    const QDate shown = m_date.isValid() ? m_date : QDate::currentDate();
    m_calendar->setSelectedDate(shown);
    m_calendar->setCurrentPage(shown.year(), shown.month());
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void OptionalDateEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        changeTo(QDate());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F4 ||
        (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        showCalendar();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void OptionalDateEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!m_date.isValid()) setText(QString());
}

void OptionalDateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    commitText();
    showDate();
}

QSize OptionalDateEdit::sizeHint() const {
    const QFontMetrics metrics(font());
    const int textWidth = qMax(metrics.horizontalAdvance(kUnsetText),
                               metrics.horizontalAdvance(QStringLiteral("00.00.00000")));
    QSize size = QLineEdit::sizeHint();
    // The text, the calendar button and the frame.
    size.setWidth(textWidth + 16 + 2 * metrics.averageCharWidth() + 12);
    return size;
}

QSize OptionalDateEdit::minimumSizeHint() const {
    return sizeHint();
}
