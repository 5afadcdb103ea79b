#include "app/RunStatusLine.h"

#include <QPainter>
#include <QTextLayout>

namespace {

// Long error messages are cut on the line; the whole one is in the hint and the log.
constexpr qsizetype kShownFailureLength = 120;
// The least room asked for, in average characters: a short word.
constexpr int kMinimumChars = 8;

}  // namespace

RunStatusLine::RunStatusLine(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAccessibleName(QStringLiteral("Состояние работы"));
}

QSize RunStatusLine::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("Идёт сбор, прошло 0:00:00")),
            metrics.lineSpacing()};
}

QSize RunStatusLine::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {kMinimumChars * metrics.averageCharWidth(), metrics.lineSpacing()};
}

QStringList RunStatusLine::fittedLines(const QString& text, const QFont& font, int width,
                                       int height) {
    const QFontMetrics metrics(font);
    const qsizetype maxLines = qMax(1, height / metrics.lineSpacing());
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() + 1 == maxLines) {
            lines << metrics.elidedText(text.mid(line.textStart()).trimmed(), Qt::ElideRight,
                                        width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void RunStatusLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    const int step = fontMetrics().lineSpacing();
    QRect line(area.left(), area.top(), area.width(), step);
    for (const QString& text : fittedLines(this->text(), font(), area.width(), area.height())) {
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, text);
        line.translate(0, step);
    }
}

void RunStatusLine::runStarted() {
    m_clock.start();
    m_finalMs = 0;
    m_failure.clear();
    m_state = State::Running;
    refresh();
}

void RunStatusLine::setActiveState(State state, int resumeInMs) {
    if (!m_clock.isValid()) return;
    m_state = state;
    m_resumeInMs = resumeInMs;
    refresh();
}

void RunStatusLine::runEnded(const QString& result, bool stopped) {
    m_finalMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    m_clock.invalidate();
    if (result.startsWith(QLatin1String("ERROR_"))) {
        m_state = State::Failed;
        m_failure = failureText(result);
    } else if (stopped || result.isEmpty()) {
        m_state = State::Stopped;
    } else {
        m_state = State::Done;
    }
    refresh();
}

QString RunStatusLine::durationText(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString RunStatusLine::failureText(const QString& result) {
    QString text = result.mid(6).trimmed();
    const QString closing = QStringLiteral("(завершаем работу)");
    if (text.endsWith(closing)) text = text.chopped(closing.size()).trimmed();
    return text;
}

void RunStatusLine::refresh() {
    const QString running =
        QStringLiteral(", прошло ") + durationText(m_clock.isValid() ? m_clock.elapsed() : 0);
    const QString total = QStringLiteral(", время работы ") + durationText(m_finalMs);
    QString hint;
    switch (m_state) {
        case State::Idle:
            setText(QString());
            break;
        case State::Running:
            setText(QStringLiteral("Идёт сбор") + running);
            break;
        case State::Paused:
            setText(QStringLiteral("Пауза") + running);
            break;
        case State::ErrorPause:
            setText(QStringLiteral("Пауза после ошибки, продолжим через %1 с")
                        .arg((m_resumeInMs + 999) / 1000) +
                    running);
            break;
        case State::Stopping:
            setText(QStringLiteral("Останавливаем работу") + running);
            break;
        case State::Done:
            setText(QStringLiteral("Готово") + total);
            break;
        case State::Stopped:
            setText(QStringLiteral("Остановлено") + total);
            break;
        case State::Failed: {
            const QString shown = m_failure.size() > kShownFailureLength
                                      ? m_failure.left(kShownFailureLength) + QStringLiteral("…")
                                      : m_failure;
            setText(QStringLiteral("Ошибка: ") + shown + total);
            hint = QStringLiteral("Ошибка: ") + m_failure;
            break;
        }
    }
    // The whole text, also when the line shows only its start.
    setToolTip(hint.isEmpty() ? text() : hint);
}
