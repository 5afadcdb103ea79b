#include "store/ContractSink.h"

#include "store/ContractCustomer.h"
#include "store/ContractStore.h"

// Every operation goes to the contract under the spelling it is stored with,
// so a card stored by an older version from an "&amp;" link is still the same
// contract when a decoded link leads to it: not fetched again, its pending
// mark cleared, its INNs linked to it rather than to a second row.

bool DatabaseContractSink::isUrlStored(const QString& url) {
    return StoredSpellingOf(m_db, url).has_value();
}

void DatabaseContractSink::storeContract(const QString& url, const QString& subject,
                                         const QString& amount, const QString& conclusionDate,
                                         const QString& executionDate) {
    StoreContract(m_db, StoredUrlSpelling(m_db, url), subject, amount, conclusionDate,
                  executionDate);
}

void DatabaseContractSink::replaceContract(const QString& url, const QString& subject,
                                           const QString& amount, const QString& conclusionDate,
                                           const QString& executionDate, const QStringList& inns) {
    ReplaceContract(m_db, StoredUrlSpelling(m_db, url), subject, amount, conclusionDate,
                    executionDate, inns);
}

void DatabaseContractSink::linkInnsToUrl(const QString& url, const QStringList& inns) {
    LinkInnsToUrl(m_db, StoredUrlSpelling(m_db, url), inns);
}

void DatabaseContractSink::markFollowUpPending(const QString& url) {
    MarkFollowUpPending(m_db, StoredUrlSpelling(m_db, url));
}

void DatabaseContractSink::clearFollowUpPending(const QString& url) {
    ClearFollowUpPending(m_db, StoredUrlSpelling(m_db, url));
}

bool DatabaseContractSink::isFollowUpPending(const QString& url) {
    return IsFollowUpPending(m_db, StoredUrlSpelling(m_db, url));
}

void DatabaseContractSink::setCustomer(const QString& url, const QString& name,
                                       const QString& inn) {
    SetContractCustomer(m_db, StoredUrlSpelling(m_db, url), name, inn);
}
