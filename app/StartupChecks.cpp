#include "app/StartupChecks.h"

#include "platform/ChildProcess.h"
#include "platform/ExternalPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kExtractHint = QStringLiteral(
    "Для корректной работы программы извлеките файлы программы из архива в отдельную папку. "
    "Это можно сделать, кликнув правой кнопкой мыши на архиве и выбрав пункт меню "
    "\"Извлечь все\"");

// The path with "/" separators and one "/" at its end.
QString folderPath(const QString& dir) {
    QString path = QDir::cleanPath(QString(dir).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

// A Windows path: backslashes or a drive letter.
bool isWindowsPath(const QString& dir) {
    return dir.contains(QLatin1Char('\\')) ||
           (dir.size() >= 2 && dir[0].isLetter() && dir[1] == QLatin1Char(':'));
}

// A temporary folder. A Windows path is one when it holds "\Temp\" in any
// letter case (the system's and the users' temporary folders); any other path
// only when it lies in the system's temporary location, /tmp or /var/tmp, so
// that a project folder that happens to be named "temp" is not refused.
bool isTemporaryFolder(const QString& dir) {
    const QString path = folderPath(dir);
    if (isWindowsPath(dir)) return path.contains(QLatin1String("/temp/"), Qt::CaseInsensitive);
    for (const QString& temporary :
         {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")}) {
        if (path.startsWith(folderPath(temporary))) return true;
    }
    return false;
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
    const QString tesseract = FindOcrEngine();
    if (tesseract.isEmpty() || !hasRussianData(tesseract)) return {};
    return QFileInfo(tesseract).absolutePath() + QLatin1Char('/');
}

QString TesseractExePath(const QString& tesseractDir) {
    return tesseractDir + OcrEngineFileName();
}

DataFolderPlacement DescribeDataFolder(const QString& dataDir, const QString& programFileDir) {
    DataFolderPlacement placement;
    if (programFileDir.isEmpty()) return placement;
    const QString data = QFileInfo(dataDir).canonicalFilePath();
    const QString own = QFileInfo(programFileDir).canonicalFilePath();
    placement.moved = !data.isEmpty() && !own.isEmpty() && data != own;
    const QString ownList = QDir(programFileDir).filePath(QStringLiteral("INNs.txt"));
    if (placement.moved && !QFileInfo::exists(dataDir + QStringLiteral("INNs.txt")) &&
        QFileInfo::exists(ownList)) {
        placement.firstUseInnList = ownList;
    }
    return placement;
}

QString AdoptProgramFolderSettings(const QString& dataDir, const QString& programFileDir) {
    if (!DescribeDataFolder(dataDir, programFileDir).moved) return {};
    const QString own = QDir(programFileDir).filePath(QStringLiteral("settings.ini"));
    const QString data = dataDir + QStringLiteral("settings.ini");
    if (QFileInfo::exists(data) || !QFileInfo::exists(own) || !QFile::copy(own, data)) return {};
    // A copy of a read-only file is read-only too; the settings are saved into it later.
    QFile::setPermissions(data, QFile::permissions(data) | QFileDevice::WriteOwner);
    return own;
}
