#include "report/XlsxWorkbook.h"

#include "platform/GeneralError.h"

#include <xlsxwriter.h>
#include <QFile>
#include <utility>

XlsxWorkbook::XlsxWorkbook(const QString& path, bool constantMemory) : m_path(path) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    m_workbook = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!m_workbook) {
        throw EGeneralError(QStringLiteral("Не удалось создать книгу %1").arg(path));
    }
}

XlsxWorkbook::~XlsxWorkbook() {
    if (m_workbook) lxw_workbook_free(m_workbook);
}

XlsxWorkbook::XlsxWorkbook(XlsxWorkbook&& other) noexcept
    : m_workbook(std::exchange(other.m_workbook, nullptr)), m_path(std::move(other.m_path)) {}

XlsxWorkbook& XlsxWorkbook::operator=(XlsxWorkbook&& other) noexcept {
    if (this != &other) {
        if (m_workbook) lxw_workbook_free(m_workbook);
        m_workbook = std::exchange(other.m_workbook, nullptr);
        m_path = std::move(other.m_path);
    }
    return *this;
}

void XlsxWorkbook::close() {
    // workbook_close() frees the workbook whatever its result.
    const lxw_error error = workbook_close(std::exchange(m_workbook, nullptr));
    CheckXlsx(error, m_path);
}

void CheckXlsx(int error, const QString& path) {
    if (error == LXW_NO_ERROR) return;
    throw EGeneralError(
        QStringLiteral("Не удалось записать книгу %1: %2")
            .arg(path, QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error)))));
}
