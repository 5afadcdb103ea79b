#include "tests/report/ReportTestSupport.h"

#include "platform/RegionalSettings.h"
#include "report/ReportFile.h"
#include "store/ContractStore.h"

#include <QFile>

ProgramFolder::ProgramFolder() : dir(temporary.path() + QLatin1Char('/')) {
    RegionalFormats formats;
    formats.decimalSeparator = QLatin1Char(',');
    RegionalSettings::override(formats);
    db = TSQLiteDatabase::Create(dir + QStringLiteral("db.s3db"));
    CreateSchema(*db);
}

ProgramFolder::~ProgramFolder() {
    db.reset();
    RegionalSettings::resetToSystem();
}

void ProgramFolder::store(const QString& url, const QString& subject, const QString& amount,
                          const QString& conclusionDate, const QString& executionDate,
                          const QStringList& inns) {
    ReplaceContract(*db, url, subject, amount, conclusionDate, executionDate, inns);
}

ReportContext ProgramFolder::context(const QString& innList) {
    const DecodedText shown = ReadTextFile(path(QStringLiteral("shown.txt")))
                                  .value_or(DecodedText{QString(), TextEncoding::Utf8Bom});
    return ReportContext{*db,
                         innList,
                         dir,
                         QStringLiteral("log1.txt"),
                         SplitLines(shown.text),
                         shown.encoding,
                         [this](const QString& text) { log.append(text); },
                         {}};
}

QByteArray ProgramFolder::bytes(const QString& relative) const {
    QFile file(path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ProgramFolder::lines(const QString& relative) const {
    return SplitLines(DecodeText(bytes(relative)).text);
}

QDateTime StageTime(int secondsLater) {
    return QDateTime(QDate(2024, 3, 25), QTime(14, 5, 9)).addSecs(secondsLater);
}

QByteArray HeaderBytes() {
    return (ReportHeaderLine() + QStringLiteral("\r\n")).toUtf8();
}

QString CardUrl(int number) {
    return QStringLiteral(
               "https://zakupki.gov.ru/epz/contract/contractCard/common-info.html?reestrNumber=") +
           QString::number(3770000000000LL + number);
}

DecimalSeparator::DecimalSeparator(QChar separator) {
    RegionalFormats formats = RegionalSettings::current();
    formats.decimalSeparator = separator;
    RegionalSettings::override(formats);
}

DecimalSeparator::~DecimalSeparator() {
    RegionalFormats formats = RegionalSettings::current();
    formats.decimalSeparator = QLatin1Char(',');
    RegionalSettings::override(formats);
}
