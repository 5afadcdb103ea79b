#pragma once

#include <QString>
#include <QStringList>

class TSQLiteDatabase;

// The store operations the page handlers call. During a run they go to the
// contract database; the page inspector records them instead, so that it can
// show what a page would store without touching any database.
class ContractSink {
public:
    virtual ~ContractSink() = default;

    virtual bool isUrlStored(const QString& url) = 0;
    virtual void storeContract(const QString& url, const QString& subject, const QString& amount,
                               const QString& conclusionDate, const QString& executionDate) = 0;
    virtual void replaceContract(const QString& url, const QString& subject, const QString& amount,
                                 const QString& conclusionDate, const QString& executionDate,
                                 const QStringList& inns) = 0;
    virtual void linkInnsToUrl(const QString& url, const QStringList& inns) = 0;
    // The pending marks of contracts whose follow-up pages are still to come
    // (see MarkFollowUpPending); a sink without a database keeps none.
    virtual void markFollowUpPending(const QString& /*url*/) {}
    virtual void clearFollowUpPending(const QString& /*url*/) {}
    virtual bool isFollowUpPending(const QString& /*url*/) { return false; }
    // The customer the card names (see ContractCustomer.h), after its contract is written.
    virtual void setCustomer(const QString& /*url*/, const QString& /*name*/,
                             const QString& /*inn*/) {}
};

// The contract database behind the handlers. Used on the thread that owns the
// connection.
class DatabaseContractSink : public ContractSink {
public:
    explicit DatabaseContractSink(TSQLiteDatabase& db) : m_db(db) {}

    bool isUrlStored(const QString& url) override;
    void storeContract(const QString& url, const QString& subject, const QString& amount,
                       const QString& conclusionDate, const QString& executionDate) override;
    void replaceContract(const QString& url, const QString& subject, const QString& amount,
                         const QString& conclusionDate, const QString& executionDate,
                         const QStringList& inns) override;
    void linkInnsToUrl(const QString& url, const QStringList& inns) override;
    void markFollowUpPending(const QString& url) override;
    void clearFollowUpPending(const QString& url) override;
    bool isFollowUpPending(const QString& url) override;
    void setCustomer(const QString& url, const QString& name, const QString& inn) override;

private:
    TSQLiteDatabase& m_db;
};
