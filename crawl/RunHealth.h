#pragma once

#include <QString>
#include <QStringList>

// What the controller learns of the portal while a run goes: whether any page
// came back at all, and whether the three start searches failed. A run that
// got nothing did not do its job, whatever its queue did. Used on the
// controller thread only; read by the window after the run has ended.
class RunHealth {
public:
    void startSearchQueued(const QString& url);
    // One finished job with the worker's page kind (0 nothing fetched, -1 failed).
    void jobFinished(const QString& url, int kind);

    bool noPageReceived() const { return m_pagesReceived == 0; }
    bool startSearchesFailed() const;
    // Russian, for the log and the run summary; empty when the run got its pages.
    QString failureText(const QString& portalBase) const;

private:
    QStringList m_startSearches;
    int m_pagesReceived = 0;
    int m_startSearchFailures = 0;
};
