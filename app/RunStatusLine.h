#pragma once

#include <QElapsedTimer>
#include <QLabel>

// The line beside the progress bar that names the state of the run and its
// elapsed time: "Идёт сбор", "Пауза", "Готово", "Остановлено", "Ошибка: …".
// After a run it keeps the outcome until the next one starts. Window thread.
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

    // "H:MM:SS".
    static QString durationText(qint64 ms);
    // The message of an "ERROR_" result, without the prefix and the closing note.
    static QString failureText(const QString& result);

private:
    void refresh();

    State m_state = State::Idle;
    QElapsedTimer m_clock;
    qint64 m_finalMs = 0;
    int m_resumeInMs = 0;
    QString m_failure;
};
