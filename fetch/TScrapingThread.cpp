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

// The session's texts for a request that ran out of time: libcurl's connect
// and transfer time-outs, the read time-out and the total limit.
bool TimedOut(const QString& message) {
    return message.contains(QLatin1String("timed out"), Qt::CaseInsensitive);
}

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
        settings.totalTimeoutMs = download ? m_run->downloadTimeLimitMs : m_run->pageTimeLimitMs;
        settings.redirectBase = m_run->portalBase;
        HttpSession session(settings);
        int failures = 0;
        while (attempt(session, failures) == AttemptEnd::Retry) {
        }
    } catch (const std::exception& e) {
        // Nothing may escape the thread: an unexpected failure ends the job as failed.
        result = PageKindFailed;
        statusText = QStringLiteral("ERROR_") + QString::fromUtf8(e.what());
    }
    finish(download);
}

TScrapingThread::AttemptEnd TScrapingThread::attempt(HttpSession& session, int& failures) {
    // A run that ends because the portal refuses it, or no proxy is left, asks nothing more.
    if (Terminated() || m_run->ending()) return AttemptEnd::Stopped;
    AddWorkerLogLine(QStringLiteral("Запускаем ") + url);
    html.clear();
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
        return handleFailure(session, failure.message(), response, failures);
    } catch (const std::exception& failure) {
        return handleFailure(session, QString::fromUtf8(failure.what()), response, failures);
    }
    result = PageKindOfUrl(url);
    return AttemptEnd::Done;
}

// One GET: direct ones take their turn and keep their spacing; proxied ones
// go at once and repeat once when the peer closed the connection unanswered.
bool TScrapingThread::request(HttpSession& session, HttpResponse& response) {
    if (!UseProxy) {
        auto turn = m_run->pacer.beginDirect(RequestInterval, m_terminated, [this] {
            AddWorkerLogLine(QStringLiteral(
                "Запросы ждут очереди: другая копия программы на этом компьютере держит общую "
                "блокировку запросов к порталу (копии обращаются к нему по одной). Сбор "
                "продолжится, когда она освободит её"));
        });
        if (!turn) return false;  // stopped while waiting for the turn
        response = session.get(url);
        noteAnswer(response);
        return true;
    }
    ConfigureProxy(session.proxy(), proxy);
    response = session.get(url);
    noteAnswer(response);
    if (!response.ok && response.errorMessage.contains(QLatin1String("Gracefully"))) {
        response = session.get(url);
        noteAnswer(response);
        m_proxyTimedOut = response.statusCode == 0 && TimedOut(response.errorMessage);
    } else if (!response.ok) {
        m_proxyTimedOut = response.statusCode == 0 && TimedOut(response.errorMessage);
        response.errorMessage = QStringLiteral("retry");
    }
    if (response.statusCode > 0) m_run->proxyHealth.noteAnswer(proxy);
    if (response.ok) m_run->pacer.markRequestEnd();
    return true;
}

// A portal that never answers gets one clear line in the run's log rather
// than only hundreds of libcurl texts; a stop's abort is no failure.
void TScrapingThread::noteAnswer(const HttpResponse& response) {
    if (Terminated() || response.errorMessage == QLatin1String("aborted")) return;
    if (!response.proxyRefused) m_run->refusals.note(response.statusCode);
    if (m_run->connections.note(response.statusCode > 0)) {
        // Through proxies, a request that gets no answer at all is the proxy's failure.
        QStringList proxies;
        if (UseProxy) {
            for (const QString& entry : m_run->proxies)
                proxies << ProxyDisplayName(entry);
        }
        AddWorkerLogLine(
            NoAnswerWarning(url, ConnectionWatch::kWarnAfter, response.errorMessage, proxies));
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

// Ends the job after a 404, a refused redirect (another host's page is never the
// portal's: asking again leads there again) and its last allowed attempt;
// otherwise waits before the next attempt, longer after each failure.
TScrapingThread::AttemptEnd TScrapingThread::handleFailure(HttpSession& session,
                                                           const QString& message,
                                                           const HttpResponse& response,
                                                           int& failures) {
    ++failures;
    const int statusCode = response.statusCode;
    result = PageKindFailed;
    statusText =
        QStringLiteral("ERROR_") + (message.isEmpty() ? QString::number(statusCode) : message);
    AddWorkerLogLine(QStringLiteral("Ответ сайта для ") + url + QStringLiteral(": ") + statusText);
    session.resetConnection();
    if (UseProxy) noteProxyFailure();
    if (statusCode == 404 || !response.refusedRedirect.isEmpty()) return AttemptEnd::Done;
    if (failures >= kMaxFailedAttempts) {
        AddWorkerLogLine(QStringLiteral("Страница не загружена за %1 попыток, следующий запуск "
                                        "запросит её снова: ")
                             .arg(kMaxFailedAttempts) +
                         url);
        return AttemptEnd::Done;
    }
    if (UseProxy && !m_run->proxyHealth.next(m_run->proxies, proxy)) return AttemptEnd::Done;
    m_run->pacer.sleep(RequestPacer::retryDelayMs(failures), m_terminated);
    if (statusCode == 429 && !UseProxy) {
        AddWorkerLogLine(QStringLiteral("Делаем паузу 30 секунд"));
        m_run->pacer.pauseAfterTooManyRequests(m_terminated);
    }
    return AttemptEnd::Retry;
}

// A proxy that keeps timing out leaves the rotation, said once.
void TScrapingThread::noteProxyFailure() {
    if (m_run->proxyHealth.noteFailure(proxy, m_proxyTimedOut)) {
        AddWorkerLogLine(ProxyDroppedText(ProxyDisplayName(proxy), ProxyHealth::kTimeoutsToDrop));
    }
    m_proxyTimedOut = false;
}

void TScrapingThread::finish(bool download) {
    if (download) --m_run->runningDownloads;
    m_run->lists.moveToFinished(this);
}

void TScrapingThread::AddWorkerLogLine(const QString& text) {
    if (!m_run->log) return;
    QString line = LogTimeStamp();
    if (!proxy.isEmpty()) line += QStringLiteral(" (") + ProxyDisplayName(proxy) + QLatin1Char(')');
    m_run->log(line + QStringLiteral(": ") + text);
}
