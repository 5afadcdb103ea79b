#pragma once

#include "crawl/JobQueue.h"
#include "crawl/RunHooks.h"
#include "platform/RegionalSettings.h"
#include "store/ContractSink.h"
#include "store/SQLiteWrap.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// One handler run against a real database file in a fresh temporary folder,
// with the run state a handler touches and the log lines it wrote.
class HandlerRun {
public:
    HandlerRun();

    void run(const PageHandler& handler, const QString& url, const QString& html,
             const QString& canonical = {});
    void runFixture(const PageHandler& handler, const QString& url, const QString& fixture,
                    const QString& canonical = {});

    bool stored(const QString& url);
    QStringList innsOf(const QString& url);                   // sorted
    QString column(const QString& url, const QString& name);  // "" for NULL
    bool isNull(const QString& url, const QString& name);

    QTemporaryDir dir;
    TSQLiteDatabase db;
    DatabaseContractSink sink;
    JobQueue queue;
    int progressBarMax = 0;
    int tendersCounter = 0;
    bool splitStarted = false;
    NoticeDocumentKeys noticeDocumentKeys;
    QStringList log;
    HandlerContext context;
};

// Regional formats in force for one test; the system's again afterwards.
class ScopedDecimalSeparator {
public:
    explicit ScopedDecimalSeparator(QChar separator);
    ~ScopedDecimalSeparator() { RegionalSettings::resetToSystem(); }
    ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
    ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;
};

// The UTF-8 text of the replica's markup as the handlers receive it.
QString FromUtf8(const std::string& text);
