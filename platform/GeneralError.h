#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The program's failure: an exception carrying a message text. Errors of the
// crawl loop are logged with this text; more specific failures derive from it.
class EGeneralError : public std::exception {
public:
    explicit EGeneralError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The system's reason for a failed file operation in Russian, for the texts
// the C library gives in English; any other text as it is.
QString RussianSystemReason(const QString& reason);

// The errors of the program's own files, with the system's reason:
// "Не удалось записать файл <path>: <reason>" and "Не удалось прочитать файл …".
[[noreturn]] void ThrowFileWriteError(const QString& path, const QString& reason);
[[noreturn]] void ThrowFileReadError(const QString& path, const QString& reason);
