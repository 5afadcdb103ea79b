#pragma once

#include <QString>
#include <deque>
#include <functional>

// The run's ordered list of job strings: an absolute address, optionally
// followed by "|||" and the address of the contract card the job belongs to.
// Used by the controller thread only, so it takes no lock.
class JobQueue {
public:
    void addHead(const QString& job);
    void addTail(const QString& job);

    // The head job, removed; an empty text when the queue is empty.
    QString takeHead();

    // The job the next worker starts with, removed. While at most two worker
    // slots are not taken by downloads (threadsLimit - runningDownloads <= 2),
    // the first job that is not a download ("/download/") goes first, so page
    // jobs are not starved; otherwise, or when every job is a download, the head.
    QString takeForStart(int threadsLimit, int runningDownloads);

    qsizetype size() const { return static_cast<qsizetype>(m_jobs.size()); }
    bool isEmpty() const { return m_jobs.empty(); }
    const std::deque<QString>& jobs() const { return m_jobs; }

    // Jobs added since construction; each one raises the run's progress maximum.
    qint64 addedCount() const { return m_added; }

    // Called for every job added, with whether it went to the head.
    std::function<void(const QString& job, bool atHead)> onAdded;

private:
    std::deque<QString> m_jobs;
    qint64 m_added = 0;
};
