#include "platform/ExternalPrograms.h"

#include <QFileInfo>
#include <QStandardPaths>

QString FindOcrEngine() {
    return QStandardPaths::findExecutable(QStringLiteral("tesseract"));
}

QString OcrEngineFileName() {
    return QStringLiteral("tesseract");
}

QString OcrEngineInstallHint() {
    return QStringLiteral(
        "Скачайте программу для распознавания текста на сканах отсюда: "
        "https://github.com/tesseract-ocr/tesseract (в Debian и Ubuntu: пакеты tesseract-ocr и "
        "tesseract-ocr-rus)");
}

QString ConverterPath(const QString& programDir, const QString& program) {
    const QFileInfo own(programDir + QStringLiteral("poppler/") + program);
    if (own.isFile() && own.isExecutable()) return own.absoluteFilePath();
    const QString onPath = QStandardPaths::findExecutable(program);
    return onPath.isEmpty() ? program : onPath;
}
