#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the program reads from one saved page, for a maintainer checking the
// portal's markup: the page kind, the handler chosen, the contract handed to
// the store, the follow-up jobs, the handler's own log lines; for a result
// page its count, cards and next page or split; for a document its INNs and
// where they were found. Touches neither the network nor any database.
struct InspectedContract {
    QString url;
    QString subject;
    QString amount;          // as handed to the store
    QString conclusionDate;  // as handed to the store
    QString executionDate;
    QStringList inns;
};

struct InspectedJob {
    QString job;
    bool atHead = false;
};

struct PageInspection {
    int kind = 0;
    QString handler;  // empty: no handler
    std::optional<InspectedContract> contract;
    QString storeOperation;  // empty: none
    std::vector<InspectedJob> queued;
    QStringList log;  // the handler's lines, without time stamps
    // Result pages.
    std::optional<qint64> recordCount;
    bool split = false;
    // Documents.
    bool isDocument = false;
    QStringList documentInns;
    QString documentSource;  // "text", "ocr" or empty when none were found
};

// Reads `content` as the page fetched for `job` (an address, optionally
// followed by "|||" and the card it belongs to). For a download, `documentPath`
// is the saved file itself.
PageInspection InspectPage(const QString& job, const QByteArray& content,
                           const QString& documentPath);

// The inspection as one JSON object (keys: kind, handler, contract, store,
// queued, log; record_count and split for result pages; inns and source for
// documents).
QByteArray InspectionToJson(const PageInspection& inspection);

// The inspection as readable Russian text.
QString InspectionToText(const PageInspection& inspection);
