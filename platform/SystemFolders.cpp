#include "platform/SystemFolders.h"
#include "platform/ProgramDir.h"

#include <QDir>
#include <QFileInfo>

bool IsSystemProgramFolder(const QString& dir) {
    QString path = QDir::cleanPath(QDir(QFileInfo(dir).canonicalFilePath().isEmpty()
                                            ? dir
                                            : QFileInfo(dir).canonicalFilePath())
                                       .absolutePath());
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    for (const char* system : {"/usr/", "/bin/", "/sbin/", "/lib/", "/lib64/"}) {
        if (path.startsWith(QLatin1String(system))) return true;
    }
    return false;
}

QString UserDataRoot() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data;
}
