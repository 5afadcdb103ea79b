#include "platform/GeneralError.h"

EGeneralError::EGeneralError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

void ThrowFileWriteError(const QString& path, const QString& reason) {
    throw EGeneralError(QStringLiteral("Не удалось записать файл %1: %2").arg(path, reason));
}

void ThrowFileReadError(const QString& path, const QString& reason) {
    throw EGeneralError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, reason));
}
