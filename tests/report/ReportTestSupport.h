#pragma once

#include "crawl/RunHooks.h"
#include "platform/TextFile.h"
#include "store/SQLiteWrap.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A program folder in a fresh temporary folder, with a real contract
// database in it, regional settings with a decimal comma, and the log lines
// a stage writes. Removed with everything in it afterwards.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // Stores a contract linked to the INNs (amount text in the regional format).
    void store(const QString& url, const QString& subject, const QString& amount,
               const QString& conclusionDate, const QString& executionDate,
               const QStringList& inns);

    // A stage context over this folder; "shown.txt" as the controller loads it.
    ReportContext context(const QString& innList);

    // The full path of a file in the folder.
    QString path(const QString& relative) const { return dir + relative; }
    QByteArray bytes(const QString& relative) const;
    // The file's text decoded by its mark, split into lines.
    QStringList lines(const QString& relative) const;

    QTemporaryDir temporary;
    QString dir;  // with a trailing "/"
    std::unique_ptr<TSQLiteDatabase> db;
    QStringList log;
};

// A fixed moment, so tests know the file names: "2024-03-25_14-05-09".
QDateTime StageTime(int secondsLater = 0);
inline const QString kStamp = QStringLiteral("2024-03-25_14-05-09");

// The UTF-8 byte-order mark.
inline const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

// The report header line as bytes, with its CR LF.
QByteArray HeaderBytes();

// A contract card address with the number given.
QString CardUrl(int number);

// Sets the decimal separator in force until destroyed.
class DecimalSeparator {
public:
    explicit DecimalSeparator(QChar separator);
    ~DecimalSeparator();
    DecimalSeparator(const DecimalSeparator&) = delete;
    DecimalSeparator& operator=(const DecimalSeparator&) = delete;
};
