#include "crawl/JobQueue.h"

#include <algorithm>

void JobQueue::addHead(const QString& job) {
    m_jobs.push_front(job);
    ++m_added;
    if (onAdded) onAdded(job, true);
}

void JobQueue::addTail(const QString& job) {
    m_jobs.push_back(job);
    ++m_added;
    if (onAdded) onAdded(job, false);
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
