#pragma once

#include "crawl/LayoutDrift.h"
#include "crawl/RunHooks.h"
#include "crawl/RunSummary.h"
#include "store/ContractSink.h"
#include "text/DocumentInns.h"

#include <QSet>
#include <QString>
#include <array>
#include <memory>

// The figures a run keeps for its summary, job by job, and the watch for a
// changed page layout. Counted as the jobs are handled, never read back from
// the log. Controller thread only.
class RunTally {
public:
    // One handled job: lackedPart when its handler wrote an "Ошибка?" line
    // about a missing part of the page (see IsMissingPartLine), stored the
    // contracts it handed to the store, source where a converted download's
    // INNs came from. Gives the layout warning due after this job, or an
    // empty text.
    QString noteJob(const FinishedJob& job, bool lackedPart, int stored,
                    DocumentInnsResult::Source source);

    // A result page that was read but could not be handled (each page counted once).
    void noteSearchPageLost(const QString& url);

    // Per registry, in the order of RunSummary::registries (44-FZ, 223-FZ, capital repairs).
    const std::array<RegistryFigures, 3>& registries() const { return m_registries; }
    // The first kUnreadNamed pages given up, for the account to name.
    const QStringList& unreadAddresses() const { return m_unreadAddresses; }
    static constexpr qsizetype kUnreadNamed = 5;

private:
    void noteUnread(const FinishedJob& job);

    std::array<RegistryFigures, 3> m_registries{};
    QStringList m_unreadAddresses;
    LayoutDriftWatch m_drift;
    QSet<QString> m_lostSearchPages;
};

// True for a handler's line that says its page lacks a part it expects: an
// "Ошибка?" line other than those about a link the run refuses to follow or
// a contract missing from the store, which say nothing of the page's layout.
bool IsMissingPartLine(const QString& text);

// The store operations of a run, passed on to the database, with a count of
// the contracts handed to it.
class CountingContractSink : public ContractSink {
public:
    explicit CountingContractSink(std::unique_ptr<ContractSink> inner)
        : m_inner(std::move(inner)) {}

    int contractsStored() const { return m_stored; }
    // The INNs of the list: contracts linked to one of them are counted apart.
    void setListedInns(const QStringList& inns) {
        m_listed = QSet<QString>(inns.begin(), inns.end());
    }
    int listedContracts() const { return static_cast<int>(m_listedUrls.size()); }

    bool isUrlStored(const QString& url) override { return m_inner->isUrlStored(url); }
    void storeContract(const QString& url, const QString& subject, const QString& amount,
                       const QString& conclusionDate, const QString& executionDate) override {
        m_inner->storeContract(url, subject, amount, conclusionDate, executionDate);
        ++m_stored;
    }
    void replaceContract(const QString& url, const QString& subject, const QString& amount,
                         const QString& conclusionDate, const QString& executionDate,
                         const QStringList& inns) override {
        m_inner->replaceContract(url, subject, amount, conclusionDate, executionDate, inns);
        ++m_stored;
        noteInns(url, inns);
    }
    void linkInnsToUrl(const QString& url, const QStringList& inns) override {
        m_inner->linkInnsToUrl(url, inns);
        noteInns(url, inns);
    }
    void markFollowUpPending(const QString& url) override { m_inner->markFollowUpPending(url); }
    void clearFollowUpPending(const QString& url) override { m_inner->clearFollowUpPending(url); }
    bool isFollowUpPending(const QString& url) override { return m_inner->isFollowUpPending(url); }
    void setCustomer(const QString& url, const QString& name, const QString& inn) override {
        m_inner->setCustomer(url, name, inn);
    }

private:
    void noteInns(const QString& url, const QStringList& inns) {
        for (const QString& inn : inns) {
            if (m_listed.contains(inn)) {
                m_listedUrls.insert(url);
                return;
            }
        }
    }

    std::unique_ptr<ContractSink> m_inner;
    int m_stored = 0;
    QSet<QString> m_listed;
    QSet<QString> m_listedUrls;  // stored in this run with a listed INN
};
