#include "report/ReportFile.h"

#include "platform/GeneralError.h"

#include <sys/file.h>
#include <QFile>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

[[noreturn]] void throwFileError(const QString& path, const QFile& file) {
    throw EGeneralError(
        QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
}

// Opens the file for appending; true when this call created it.
bool openForAppend(QFile& file) {
    // Exclusive creation: of two writers only one starts the file with a header.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return true;
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) return false;
    throwFileError(file.fileName(), file);
}

// Keeps other copies of the program from writing the file meanwhile.
void denyOtherWriters(QFile& file) {
    if (::flock(file.handle(), LOCK_EX | LOCK_NB) != 0) {
        throw EGeneralError(QStringLiteral("Файл %1 занят другой программой").arg(file.fileName()));
    }
}

}  // namespace

QString RunStamp(const QDateTime& startTime) {
    return startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

QString ReportHeaderLine() {
    return QStringLiteral(
        "\"ИНН поставщика\"\t\"Ссылка на контракт/договор\"\t\"Предмет контракта\"\t"
        "\"Сумма\"\t\"Дата заключения\"\t\"Срок исполнения\"");
}

QString FormatAmount(double amount, QChar decimalSeparator) {
    QString text = QString::number(amount, 'f', 2);
    const qsizetype point = text.lastIndexOf(QLatin1Char('.'));
    if (point >= 0) text[point] = decimalSeparator;
    return text;
}

QString ReportDataLine(const QString& inn, const TUrlContractInfo& contract,
                       QChar decimalSeparator) {
    const QChar tab = QLatin1Char('\t');
    return quoted(inn) + tab + quoted(contract.Url) + tab + quoted(contract.ContractSubject) + tab +
           quoted(FormatAmount(contract.Amount, decimalSeparator)) + tab +
           quoted(contract.ConclusionDate) + tab + quoted(contract.ExecutionDate);
}

void AppendReportLine(const QString& path, const QString& line) {
    QFile file(path);
    const bool created = openForAppend(file);
    denyOtherWriters(file);
    QByteArray bytes;
    if (created) bytes = QByteArray("\xEF\xBB\xBF") + (ReportHeaderLine() + kCrLf).toUtf8();
    bytes += (line + kCrLf).toUtf8();
    // Flushed here: QFile::close() would swallow a write error.
    if (file.write(bytes) != bytes.size() || !file.flush()) throwFileError(path, file);
    file.close();
}
