#include "report/ReportFile.h"

#include "platform/FileLock.h"
#include "platform/GeneralError.h"
#include "platform/TextFile.h"

#include <QFile>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Opens the file for appending; true when this call created it.
bool openForAppend(QFile& file) {
    // Exclusive creation: of two writers only one starts the file with a header.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return true;
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) return false;
    ThrowFileWriteError(file.fileName(), file.errorString());
}

// Keeps other copies of the program from writing the file meanwhile.
void denyOtherWriters(QFile& file) {
    if (!TryLockOpenFile(file.handle())) {
        throw EGeneralError(QStringLiteral("Файл %1 занят другой программой").arg(file.fileName()));
    }
}

}  // namespace

QString RunStamp(const QDateTime& startTime) {
    return startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

QStringList ReportHeaderFields() {
    return {QStringLiteral("ИНН поставщика"),    QStringLiteral("Ссылка на контракт/договор"),
            QStringLiteral("Предмет контракта"), QStringLiteral("Сумма"),
            QStringLiteral("Дата заключения"),   QStringLiteral("Срок исполнения")};
}

QString ReportHeaderLine() {
    return ReportLine(ReportHeaderFields());
}

QString FormatAmount(double amount, QChar decimalSeparator) {
    QString text = QString::number(amount, 'f', 2);
    const qsizetype point = text.lastIndexOf(QLatin1Char('.'));
    if (point >= 0) text[point] = decimalSeparator;
    return text;
}

QString ReportFieldText(const QString& value) {
    QString text = value;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\r' || u == u'\n' || u == 0) c = QLatin1Char(' ');
    }
    return text;
}

QStringList ReportFields(const QString& inn, const TUrlContractInfo& contract,
                         QChar decimalSeparator) {
    return {ReportFieldText(inn),
            ReportFieldText(contract.Url),
            ReportFieldText(contract.ContractSubject),
            FormatAmount(contract.Amount, decimalSeparator),
            ReportFieldText(contract.ConclusionDate),
            ReportFieldText(contract.ExecutionDate)};
}

QString ReportLine(const QStringList& fields) {
    QString line;
    for (const QString& field : fields) {
        if (!line.isEmpty()) line += QLatin1Char('\t');
        line += quoted(field);
    }
    return line;
}

bool AppendReportLine(const QString& path, const QString& line) {
    QFile file(path);
    const bool created = openForAppend(file);
    denyOtherWriters(file);
    QByteArray bytes;
    if (created) bytes = QByteArray("\xEF\xBB\xBF") + (ReportHeaderLine() + kCrLf).toUtf8();
    bytes += (line + kCrLf).toUtf8();
    // Flushed here: QFile::close() would swallow a write error.
    if (!WriteWhole(file, bytes)) ThrowFileWriteError(path, WriteFailureReason(file));
    file.close();
    return created;
}
