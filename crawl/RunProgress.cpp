// The controller's synchronised operations: each runs on the window thread
// while the controller (or a worker) waits for it.
#include "crawl/RunControl.h"
#include "crawl/TScraper.h"

#include "crawl/LogFileName.h"
#include "platform/LogStamp.h"
#include "platform/TickClock.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace {

constexpr std::uint32_t kCounterRefreshMs = 1000;
constexpr qsizetype kErrorTextLimit = 200;

// Held while a call is posted to the window thread and taken there before the posted
// operation reads what it captured: Qt's event queue hands the operation over under locks of
// its own, which the thread checkers we run the tests under cannot see.
std::mutex g_postedCallHandOver;

// The first 200 characters of an error text, never half of a surrogate pair.
QString errorTextHead(const QString& text) {
    QString head = text.left(kErrorTextLimit);
    if (!head.isEmpty() && head.back().isHighSurrogate()) head.chop(1);
    return head;
}

}  // namespace

// One synchronised call: the caller waits on it until the window thread has
// run the operation (or the window has gone).
struct TScraper::PendingCall {
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    std::exception_ptr error;
};

// Runs the operation on the window thread and waits until it has run; what
// the operation throws is thrown here, on the caller's thread. The wait is our
// own rather than Qt's blocking connection, so that the hand-over is visible
// to the thread checkers we run the tests under.
void TScraper::Synchronize(const std::function<void()>& operation) {
    const bool onWindowThread = QThread::currentThread() == m_control.thread();
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard guard(m_syncMutex);
        if (m_windowDetached) return;
        if (!onWindowThread) m_pendingCalls.push_back(call);
    }
    if (onWindowThread) {
        operation();
        return;
    }
    {
        // The call's lock is taken on both sides: by this thread before the
        // hand-over, by the window thread for the whole operation.
        std::unique_lock lock(call->mutex);
        std::unique_lock posting(g_postedCallHandOver);
        QMetaObject::invokeMethod(
            &m_control,
            [call, &operation] {
                { std::lock_guard handedOver(g_postedCallHandOver); }
                std::lock_guard held(call->mutex);
                if (call->done) return;  // released by DetachWindow meanwhile
                try {
                    operation();
                } catch (...) {
                    call->error = std::current_exception();
                }
                call->done = true;
                call->ran.notify_all();
            },
            Qt::QueuedConnection);
        posting.unlock();
        call->ran.wait(lock, [&call] { return call->done; });
    }
    {
        std::lock_guard guard(m_syncMutex);
        std::erase(m_pendingCalls, call);
    }
    if (call->error) std::rethrow_exception(call->error);
}

void TScraper::DetachWindow() {
    std::vector<std::shared_ptr<PendingCall>> pending;
    {
        std::lock_guard guard(m_syncMutex);
        m_windowDetached = true;
        pending = m_pendingCalls;
    }
    for (const auto& call : pending) {
        std::lock_guard held(call->mutex);
        call->done = true;
        call->ran.notify_all();
    }
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
            LogFileName = m_logFile.openNew(
                m_parameters.programDir, KeepLogFileNameFree(m_parameters.programDir, LogFileName));
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
        m_window.setProgressDetail(ProgressBarPosition == 0 ? QString() : m_pace.text());
    });
}

void TScraper::UpdateTendersCounter() {
    Synchronize([this] {
        const std::uint32_t now = TickClock::system().ticks();
        if (now - counterlastupdated <= kCounterRefreshMs && counterlastupdated != 0) return;
        // The portal's cards found, and beside them the listed suppliers' contracts.
        QString text = QStringLiteral("Найдено контрактов: ") + QString::number(TendersCounter);
        if (!m_parameters.listedInns.isEmpty()) {
            text += QStringLiteral("; по ИНН из списка: ") +
                    QString::number(m_store->listedContracts());
        }
        m_window.setTendersCounterText(text);
        counterlastupdated = now;
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
