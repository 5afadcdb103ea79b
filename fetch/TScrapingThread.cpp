#include "fetch/TScrapingThread.h"

#include "fetch/DownloadedDocument.h"
#include "fetch/FailureReason.h"
#include "fetch/HttpSession.h"
#include "fetch/JobString.h"
#include "fetch/ProxySettings.h"
#include "fetch/Rotation.h"
#include "platform/GeneralError.h"
#include "platform/LogStamp.h"
#include "platform/ThreadId.h"
#include "text/DocumentInns.h"

namespace {

constexpr int kMaxAttempts = 500;
constexpr int kAttemptsDone = 1000;
constexpr std::uint32_t kForbiddenPauseMs = 400;

// The process and the system thread: files of workers downloading the same
// document never meet, and a later run knows the files of a dead process.
QString documentTag() {
    return ConversionTag() + QLatin1Char('-') + QString::number(SystemThreadId());
}

}  // namespace

TScrapingThread::TScrapingThread(std::shared_ptr<FetchRun> run) : m_run(std::move(run)) {}

TScrapingThread::~TScrapingThread() {
    WaitFor();
}

void TScrapingThread::Start() {
    m_thread = std::thread([this] { Execute(); });
}

void TScrapingThread::WaitFor() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void TScrapingThread::Execute() {
    const QString job = url;
    const SplitJob split = SplitJobString(job);
    url = split.url;
    canonical = split.canonical;
    const bool download = IsDownloadUrl(url);
    if (download) ++m_run->runningDownloads;
    result = PageKindNothing;
    try {
        HttpSessionSettings settings;
        settings.userAgent = NextUserAgent(m_run->userAgents);
        settings.referer = job;
        settings.connectTimeoutMs = connectTimeoutMs;
        settings.readTimeoutMs = readTimeoutMs;
        settings.abortFlag = &m_terminated;
        settings.totalTimeoutMs = m_run->requestTimeLimitMs;
        settings.redirectBase = m_run->portalBase;
        HttpSession session(settings);
        int attempts = 0;
        while (attempts < kMaxAttempts) {
            if (attempt(session, attempts) == AttemptEnd::Stopped) break;
        }
    } catch (const std::exception& e) {
        // Nothing may escape the thread: an unexpected failure ends the job as failed.
        result = PageKindFailed;
        statusText = QStringLiteral("ERROR_") + QString::fromUtf8(e.what());
    }
    finish(download);
}

TScrapingThread::AttemptEnd TScrapingThread::attempt(HttpSession& session, int& attempts) {
    if (Terminated()) return AttemptEnd::Stopped;
    AddWorkerLogLine(QStringLiteral("Запускаем ") + url);
    html.clear();
    ++attempts;
    if (Terminated()) return AttemptEnd::Stopped;

    HttpResponse response;
    const bool requested = request(session, response);
    if (Terminated()) return AttemptEnd::Stopped;  // the response is dropped
    try {
        if (!requested || !response.ok) {
            const QString message = requested ? response.errorMessage : QStringLiteral("retry");
            throw EGeneralError(message);
        }
        processResponse(response);
        // A conversion cut short by a stop found only part of the INNs.
        if (Terminated()) return AttemptEnd::Stopped;
        if (!IsDownloadUrl(url) && html.isEmpty()) throw EGeneralError(QStringLiteral("retry"));
    } catch (const EGeneralError& failure) {
        handleFailure(session, failure.message(), response.statusCode, attempts);
        // Another host's page is never the portal's: asking again leads there again.
        if (!response.refusedRedirect.isEmpty()) attempts = kAttemptsDone;
        return AttemptEnd::Retry;
    } catch (const std::exception& failure) {
        handleFailure(session, QString::fromUtf8(failure.what()), response.statusCode, attempts);
        return AttemptEnd::Retry;
    }
    result = PageKindOfUrl(url);
    attempts = kAttemptsDone;
    return AttemptEnd::Done;
}

// One GET: direct ones take their turn and keep their spacing; proxied ones
// go at once and repeat once when the peer closed the connection unanswered.
bool TScrapingThread::request(HttpSession& session, HttpResponse& response) {
    if (!UseProxy) {
        auto turn = m_run->pacer.beginDirect(RequestInterval, m_terminated);
        if (!turn) return false;  // stopped while waiting for the turn
        response = session.get(url);
        noteAnswer(response);
        return true;
    }
    ConfigureProxy(session.proxy(), proxy);
    response = session.get(url);
    noteAnswer(response);
    if (!response.ok) {
        if (response.errorMessage.contains(QLatin1String("Gracefully"))) {
            response = session.get(url);
            noteAnswer(response);
        } else {
            response.errorMessage = QStringLiteral("retry");
        }
    }
    if (response.ok) m_run->pacer.markRequestEnd();
    return true;
}

// A portal that never answers gets one clear line in the run's log rather
// than only hundreds of libcurl texts; a stop's abort is no failure.
void TScrapingThread::noteAnswer(const HttpResponse& response) {
    if (Terminated() || response.errorMessage == QLatin1String("aborted")) return;
    if (m_run->connections.note(response.statusCode > 0)) {
        AddWorkerLogLine(NoAnswerWarning(url, ConnectionWatch::kWarnAfter, response.errorMessage));
    }
}

void TScrapingThread::processResponse(const HttpResponse& response) {
    if (!IsDownloadUrl(url)) {
        html = QString::fromUtf8(response.body);
        statusText = QStringLiteral("успешно");
        return;
    }
    DownloadContext context{url, m_run->programDir, m_run->tesseractExe, documentTag(),
                            &m_terminated};
    const auto outcome =
        ProcessDownload(context, response.contentType, response.contentDisposition, response.body);
    if (outcome) {
        html = outcome->html;
        statusText = outcome->statusText;
        documentSource = outcome->source;
    }
}

void TScrapingThread::handleFailure(HttpSession& session, const QString& message, int statusCode,
                                    int& attempts) {
    result = PageKindFailed;
    statusText =
        QStringLiteral("ERROR_") + (message.isEmpty() ? QString::number(statusCode) : message);
    AddWorkerLogLine(QStringLiteral("Ответ сайта для ") + url + QStringLiteral(": ") + statusText);
    session.resetConnection();
    if (statusCode == 403 || statusText.contains(QLatin1String("403 Forbidden"))) {
        m_run->pacer.sleep(kForbiddenPauseMs, m_terminated);
    }
    if (statusCode == 404) attempts = kAttemptsDone;
    if (statusCode == 429 && !UseProxy) {
        AddWorkerLogLine(QStringLiteral("Делаем паузу 30 секунд"));
        m_run->pacer.pauseAfterTooManyRequests(m_terminated);
    }
    if (UseProxy) NextProxy(m_run->proxies, proxy);
}

void TScrapingThread::finish(bool download) {
    if (download) --m_run->runningDownloads;
    m_run->lists.moveToFinished(this);
}

void TScrapingThread::AddWorkerLogLine(const QString& text) {
    if (!m_run->log) return;
    QString line = LogTimeStamp();
    if (!proxy.isEmpty()) {
        const qsizetype at = proxy.indexOf(QLatin1Char('@'));
        line += QStringLiteral(" (") + (at < 0 ? QString() : proxy.mid(at + 1)) + QLatin1Char(')');
    }
    m_run->log(line + QStringLiteral(": ") + text);
}
