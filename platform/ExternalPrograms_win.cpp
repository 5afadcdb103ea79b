#include "platform/ExternalPrograms.h"

#include <windows.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The value in one registry view (KEY_WOW64_64KEY or KEY_WOW64_32KEY); empty when absent.
QString installDir(REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tesseract-OCR", 0, KEY_QUERY_VALUE | view,
                        &key) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);  // room for the terminator it may lack
    DWORD type = 0;
    const LONG status = ::RegQueryValueExW(key, L"InstallDir", nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer).trimmed());
}

}  // namespace

QString FindOcrEngine() {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        const QString dir = installDir(view);
        if (dir.isEmpty()) continue;
        const QFileInfo program(QDir(dir).filePath(OcrEngineFileName()));
        if (program.isFile()) return program.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("tesseract"));
}

QString OcrEngineFileName() {
    return QStringLiteral("tesseract.exe");
}

QString OcrEngineInstallHint() {
    return QStringLiteral(
        "Скачайте программу для распознавания текста на сканах отсюда: "
        "https://github.com/UB-Mannheim/tesseract/wiki (при установке отметьте русский язык "
        "в разделе Additional language data)");
}

QString ConverterPath(const QString& programDir, const QString& program) {
    Q_UNUSED(programDir);
    return QCoreApplication::applicationDirPath() + QStringLiteral("/poppler/") + program +
           QStringLiteral(".exe");
}
