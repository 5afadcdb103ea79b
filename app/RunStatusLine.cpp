#include "app/RunStatusLine.h"

namespace {

// Long error messages are cut on the line; the whole one is in the hint and the log.
constexpr qsizetype kShownFailureLength = 120;

}  // namespace

RunStatusLine::RunStatusLine(QWidget* parent) : QLabel(parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAccessibleName(QStringLiteral("Состояние работы"));
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
    setToolTip(hint);
}
