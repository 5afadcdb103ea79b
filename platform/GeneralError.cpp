#include "platform/GeneralError.h"

#include <utility>

EGeneralError::EGeneralError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

QString RussianSystemReason(const QString& reason) {
    // The C library's texts, English unless the system speaks Russian.
    static const std::pair<const char*, const char16_t*> kTexts[] = {
        {"No such file or directory", u"нет такого файла или папки"},
        {"Permission denied", u"нет прав доступа"},
        {"No space left on device", u"на диске нет места"},
        {"Read-only file system", u"файловая система только для чтения"},
        {"File exists", u"файл уже существует"},
        {"Is a directory", u"это папка, а не файл"},
        {"Not a directory", u"часть пути — не папка"},
        {"Too many open files", u"открыто слишком много файлов"},
        {"Disk quota exceeded", u"превышена квота диска"},
        {"Input/output error", u"ошибка ввода-вывода"},
        {"File name too long", u"слишком длинное имя файла"},
        {"Unknown error", u"неизвестная ошибка"},
    };
    for (const auto& [english, russian] : kTexts) {
        if (reason.compare(QLatin1String(english), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(russian);
    }
    return reason;
}

void ThrowFileWriteError(const QString& path, const QString& reason) {
    throw EGeneralError(
        QStringLiteral("Не удалось записать файл %1: %2").arg(path, RussianSystemReason(reason)));
}

void ThrowFileReadError(const QString& path, const QString& reason) {
    throw EGeneralError(
        QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, RussianSystemReason(reason)));
}
