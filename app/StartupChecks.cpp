#include "app/StartupChecks.h"

#include "platform/ChildProcess.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kExtractHint = QStringLiteral(
    "Для корректной работы программы извлеките файлы программы из архива в отдельную папку. "
    "Это можно сделать, кликнув правой кнопкой мыши на архиве и выбрав пункт меню "
    "\"Извлечь все\"");

// A temporary folder of either platform: "/tmp/", "/var/tmp/" or "\Temp\".
bool isTemporaryFolder(const QString& dir) {
    const QString path =
        QString(dir).replace(QLatin1Char('\\'), QLatin1Char('/')) + QLatin1Char('/');
    return path.contains(QLatin1String("/temp/"), Qt::CaseInsensitive) ||
           path.contains(QLatin1String("/tmp/"), Qt::CaseInsensitive);
}

bool hasRussianData(const QString& tesseract) {
    ChildProcessOptions options;
    options.timeout = std::chrono::milliseconds(15000);
    options.captureOutput = true;
    const ChildResult run =
        ChildProcess::run(tesseract, {QStringLiteral("--list-langs")}, std::move(options));
    if (run.status != ChildStatus::Exited) return false;
    const QString output = QString::fromUtf8(run.standardOutput + run.standardError);
    return output.split(QLatin1Char('\n')).contains(QStringLiteral("rus"));
}

}  // namespace

std::optional<PlacementProblem> CheckPlacement(const QString& programDir, bool httpsAvailable) {
    const QString caption = QStringLiteral("Внимание!");
    if (programDir.contains(QLatin1String("Rar$"))) {
        return PlacementProblem{
            caption, QStringLiteral("Вы запустили программу изнутри архива!\r\n") + kExtractHint};
    }
    if (isTemporaryFolder(programDir)) {
        return PlacementProblem{
            caption, QStringLiteral("Программа запущена из временной папки!\r\nСкорее всего, Вы "
                                    "запустили программу изнутри архива.\r\n") +
                         kExtractHint};
    }
    if (!httpsAvailable) {
        return PlacementProblem{
            caption, QStringLiteral("Программа не обнаружила необходимые для работы файлы!\r\n"
                                    "Вероятно, Вы запустили программу изнутри архива!\r\n") +
                         kExtractHint};
    }
    return std::nullopt;
}

QString FindTesseractDir() {
    const QString tesseract = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (tesseract.isEmpty() || !hasRussianData(tesseract)) return {};
    return QFileInfo(tesseract).absolutePath() + QLatin1Char('/');
}

QString TesseractExePath(const QString& tesseractDir) {
    return tesseractDir + QStringLiteral("tesseract");
}
