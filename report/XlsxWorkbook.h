#pragma once

#include <QString>

struct lxw_workbook;

// Owns one libxlsxwriter workbook. The file is written only by close();
// a workbook destroyed unclosed (an error on the way) is freed unwritten.
// Non-copyable, movable; the destructor never throws.
class XlsxWorkbook {
public:
    // constantMemory: rows go to a temporary file as they are written, strings
    // inline, so memory stays flat however long the sheet. Throws EGeneralError.
    XlsxWorkbook(const QString& path, bool constantMemory);
    ~XlsxWorkbook();

    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;
    XlsxWorkbook(XlsxWorkbook&& other) noexcept;
    XlsxWorkbook& operator=(XlsxWorkbook&& other) noexcept;

    lxw_workbook* get() const noexcept { return m_workbook; }
    const QString& path() const noexcept { return m_path; }

    // Writes the file and frees the workbook. Throws EGeneralError.
    void close();

private:
    lxw_workbook* m_workbook = nullptr;
    QString m_path;
};

// Throws EGeneralError naming the workbook and libxlsxwriter's explanation
// unless the result is success.
void CheckXlsx(int error, const QString& path);
