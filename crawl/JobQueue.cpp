#include "crawl/JobQueue.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>

JobQueue::Digest JobQueue::digestOf(const QString& job) {
    const QByteArray bytes = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(job.utf16()), job.size() * 2),
        QCryptographicHash::Md5);
    Digest digest{0, 0};
    std::memcpy(&digest.first, bytes.constData(), 8);
    std::memcpy(&digest.second, bytes.constData() + 8, 8);
    return digest;
}

bool JobQueue::remember(const QString& job) {
    return m_offered.insert(digestOf(job)).second;
}

bool JobQueue::wasOffered(const QString& job) const {
    return m_offered.contains(digestOf(job));
}

void JobQueue::push(const QString& job, bool atHead) {
    if (atHead)
        m_jobs.push_front(job);
    else
        m_jobs.push_back(job);
    ++m_added;
    if (onAdded) onAdded(job, atHead);
}

bool JobQueue::addHead(const QString& job) {
    if (!remember(job)) return false;
    push(job, true);
    return true;
}

bool JobQueue::addTail(const QString& job) {
    if (!remember(job)) return false;
    push(job, false);
    return true;
}

void JobQueue::addHeadAgain(const QString& job) {
    remember(job);
    push(job, true);
}

QString JobQueue::takeHead() {
    if (m_jobs.empty()) return {};
    QString job = std::move(m_jobs.front());
    m_jobs.pop_front();
    return job;
}

QString JobQueue::takeForStart(int threadsLimit, int runningDownloads) {
    if (threadsLimit - runningDownloads > 2) return takeHead();
    // The queue may hold many thousands of jobs; the scan stops at the first page job.
    const auto page = std::find_if(m_jobs.begin(), m_jobs.end(), [](const QString& job) {
        return !job.contains(QStringLiteral("/download/"));
    });
    if (page == m_jobs.end()) return takeHead();
    QString job = std::move(*page);
    m_jobs.erase(page);
    return job;
}
