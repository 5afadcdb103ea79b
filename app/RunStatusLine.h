#pragma once

#include <QElapsedTimer>
#include <QLabel>

// The line beside the progress bar that names the state of the run and its
// elapsed time: "Идёт сбор", "Пауза", "Готово", "Остановлено", "Ошибка: …".
// After a run it keeps the outcome until the next one starts. Window thread.
//
// It takes what room the bottom row leaves and asks for little, so that it
// never widens the window: its text is wrapped to its width and cut with "…"
// after the lines its height holds (text() and the hint keep the whole of it).
class RunStatusLine : public QLabel {
public:
    enum class State { Idle, Running, Paused, ErrorPause, Stopping, Done, Stopped, Failed };

    explicit RunStatusLine(QWidget* parent = nullptr);

    // A run has started: the clock starts from zero.
    void runStarted();
    // The state of an active run; `resumeInMs` is the time left of an error pause.
    void setActiveState(State state, int resumeInMs = 0);
    // The run has ended with its result ("ok", or "ERROR_" and a message);
    // `stopped` when the user stopped it.
    void runEnded(const QString& result, bool stopped);

    State state() const { return m_state; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The lines `text` is shown in: wrapped at word boundaries (anywhere in a
    // word wider than `width`), as many as `height` holds (at least one), the
    // last ending with "…" when the text goes on.
    static QStringList fittedLines(const QString& text, const QFont& font, int width, int height);

    // "H:MM:SS".
    static QString durationText(qint64 ms);
    // The message of an "ERROR_" result, without the prefix and the closing note.
    static QString failureText(const QString& result);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    State m_state = State::Idle;
    QElapsedTimer m_clock;
    qint64 m_finalMs = 0;
    int m_resumeInMs = 0;
    QString m_failure;
};
