#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <unordered_set>
#include <utility>

// The run's ordered list of job strings: an absolute address, optionally
// followed by "|||" and the address of the contract card the job belongs to.
// It remembers every job offered to it in the run: a job queued once is not
// queued again, so a page that links to itself or a card listed a hundred
// thousand times is fetched once. Used by the controller thread only, so it
// takes no lock.
class JobQueue {
public:
    // Add the job unless it was offered before in this run; true when added.
    bool addHead(const QString& job);
    bool addTail(const QString& job);
    // Adds the job at the head even when it was queued before: a search walked
    // again after its splits proved useless.
    void addHeadAgain(const QString& job);

    // Notes a job as offered without queuing it; true when it had not been offered before.
    bool remember(const QString& job);
    bool wasOffered(const QString& job) const;

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
    // A 128-bit digest stands for each job offered: a run offers millions of
    // addresses, and a digest costs a fraction of the text.
    using Digest = std::pair<quint64, quint64>;
    struct DigestHash {
        std::size_t operator()(const Digest& digest) const noexcept {
            return static_cast<std::size_t>(digest.first ^ (digest.second * 0x9E3779B97F4A7C15ull));
        }
    };
    static Digest digestOf(const QString& job);
    void push(const QString& job, bool atHead);

    std::deque<QString> m_jobs;
    std::unordered_set<Digest, DigestHash> m_offered;
    qint64 m_added = 0;
};
