#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <mutex>

class TScrapingThread;

// The run's two worker lists under one lock. A worker moves itself from the
// running to the finished list in one step, so the controller never sees it
// in both or in neither. The lists do not own the workers.
class WorkerLists {
public:
    void addRunning(TScrapingThread* worker) {
        std::lock_guard lock(m_lock);
        m_running.push_back(worker);
    }

    // A worker whose thread never started.
    void removeRunning(TScrapingThread* worker) {
        std::lock_guard lock(m_lock);
        const auto it = std::find(m_running.begin(), m_running.end(), worker);
        if (it != m_running.end()) m_running.erase(it);
    }

    void moveToFinished(TScrapingThread* worker) {
        std::lock_guard lock(m_lock);
        const auto it = std::find(m_running.begin(), m_running.end(), worker);
        if (it != m_running.end()) m_running.erase(it);
        m_finished.push_back(worker);
    }

    // The first finished worker, left on the list; null when none.
    TScrapingThread* firstFinished() const {
        std::lock_guard lock(m_lock);
        return m_finished.empty() ? nullptr : m_finished.front();
    }

    // The first finished worker, taken off the list; null when none.
    TScrapingThread* takeFinished() {
        std::lock_guard lock(m_lock);
        if (m_finished.empty()) return nullptr;
        TScrapingThread* worker = m_finished.front();
        m_finished.pop_front();
        return worker;
    }

    bool allEmpty() const {
        std::lock_guard lock(m_lock);
        return m_running.empty() && m_finished.empty();
    }

    std::size_t runningCount() const {
        std::lock_guard lock(m_lock);
        return m_running.size();
    }

    std::size_t finishedCount() const {
        std::lock_guard lock(m_lock);
        return m_finished.size();
    }

    std::deque<TScrapingThread*> running() const {
        std::lock_guard lock(m_lock);
        return m_running;
    }

private:
    mutable std::mutex m_lock;
    std::deque<TScrapingThread*> m_running;
    std::deque<TScrapingThread*> m_finished;
};
