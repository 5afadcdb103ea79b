// The controller's synchronised operations: each runs on the window thread
// while the controller (or a worker) waits for it.
#include "crawl/RunControl.h"
#include "crawl/TScraper.h"

#include "crawl/LogFileName.h"
#include "platform/LogStamp.h"
#include "platform/TickClock.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

constexpr std::uint32_t kCounterRefreshMs = 1000;
constexpr qsizetype kErrorTextLimit = 200;

// The first 200 characters of an error text, never half of a surrogate pair.
QString errorTextHead(const QString& text) {
    QString head = text.left(kErrorTextLimit);
    if (!head.isEmpty() && head.back().isHighSurrogate()) head.chop(1);
    return head;
}

}  // namespace

// Runs the operation on the window thread and waits until it has run. The
// wait is our own rather than Qt's blocking connection, so that the hand-over
// is visible to the thread checkers we run the tests under.
void TScraper::Synchronize(const std::function<void()>& operation) {
    if (QThread::currentThread() == m_control.thread()) {
        operation();
        return;
    }
    struct Call {
        std::mutex mutex;
        std::condition_variable ran;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    // The call's lock is taken on both sides: by this thread before the
    // hand-over, by the window thread for the whole operation.
    std::unique_lock lock(call->mutex);
    QMetaObject::invokeMethod(
        &m_control,
        [call, &operation] {
            std::lock_guard held(call->mutex);
            try {
                operation();
            } catch (...) {
                // A window operation that fails must not leave the caller waiting.
            }
            call->done = true;
            call->ran.notify_all();
        },
        Qt::QueuedConnection);
    call->ran.wait(lock, [&call] { return call->done; });
}

void TScraper::appendStampedLine(const QString& text) {
    Synchronize([this, &text] { showLogLine(LogTimeStamp() + text); });
}

void TScraper::AddLogLine() {
    appendStampedLine(QStringLiteral(": ") + LogMessageText);
}

void TScraper::SetBusyState() {
    Synchronize([this] { applyBusyState(); });
}

void TScraper::applyBusyState() {
    if (CursorHourGlass) {
        m_window.clearLog();
        // The run's log file starts with the window's log.
        if (!LogFileName.isEmpty()) {
            // Another copy of the program may have taken the name since set-up.
            LogFileName = KeepLogFileNameFree(m_parameters.programDir, LogFileName);
            m_logFile.open(m_parameters.programDir + LogFileName);
        }
        showLogLine(LogTimeStamp() + QStringLiteral(": Начинаем работу по заданному списку"));
        m_window.setRunControlsEnabled(false);
    } else {
        m_window.setRunControlsEnabled(true);
    }
}

void TScraper::UpdateProgress() {
    Synchronize([this] {
        m_window.setProgress(ProgressBarPosition, ProgressBarMax);
        m_window.processPendingEvents();
    });
}

void TScraper::UpdateTendersCounter() {
    Synchronize([this] {
        const std::uint32_t now = TickClock::system().ticks();
        if (now - counterlastupdated <= kCounterRefreshMs && counterlastupdated != 0) return;
        m_window.setTendersCounterText(QStringLiteral("Найдено контрактов: ") +
                                       QString::number(TendersCounter));
        counterlastupdated = now;
        m_window.processPendingEvents();
    });
}

void TScraper::ReadRunSettings() {
    Synchronize([this] {
        const RunSettings settings = m_window.runSettings();
        ThreadsLimit = settings.threadsLimit;
        RequestIntervalSec = settings.requestIntervalSec;
    });
}

void TScraper::StartResumeTimer() {
    Synchronize([this] { m_control.StartResumeTimer(); });
}

void TScraper::ReportResult() {
    Synchronize([this] {
        if (!result.contains(QLatin1String("ERROR"))) {
            showLogLine(LogTimeStamp() + QStringLiteral(": Сбор данных завершен"));
            return;
        }
        showLogLine(LogTimeStamp() + QStringLiteral(": Ошибка: ") + errorTextHead(result.mid(6)));
        if (result.contains(u"завершаем работу")) {
            CursorHourGlass = false;
            applyBusyState();
            return;
        }
        showLogLine(LogTimeStamp() + QStringLiteral(": Включаем паузу на 30 секунд"));
        m_control.StartResumeTimer();
        Pause();
    });
}
