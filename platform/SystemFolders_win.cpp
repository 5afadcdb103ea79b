#include "platform/ProgramDir.h"
#include "platform/SystemFolders.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString folderPath(const QString& dir) {
    QString path = QDir::cleanPath(QDir(QDir::fromNativeSeparators(dir)).absolutePath());
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

}  // namespace

// Program Files (both views) and the Windows folder. An administrator may
// write there too; an installed copy keeps its files per user all the same.
bool IsSystemProgramFolder(const QString& dir) {
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    const QString path = folderPath(canonical.isEmpty() ? dir : canonical);
    for (const char* variable :
         {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        const QString system = qEnvironmentVariable(variable);
        if (!system.isEmpty() && path.startsWith(folderPath(system), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString UserDataRoot() {
    QString data = qEnvironmentVariable("LOCALAPPDATA");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::fromNativeSeparators(data);
}
