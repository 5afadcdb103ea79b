#include "platform/ProgramDir.h"

#include "platform/GeneralError.h"
#include "platform/SystemFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

QString withSlash(const QString& dir) {
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

// Permission bits can say yes where the file system says no (a read-only
// mount), so the test is a real file.
bool canWriteIn(const QString& dir) {
    QTemporaryFile probe(dir + QStringLiteral("/.write-test-XXXXXX"));
    return probe.open();
}

QString ensureDir(const QString& dir) {
    if (!QDir().mkpath(dir) || !canWriteIn(dir)) {
        throw EGeneralError(QStringLiteral("Нет доступа на запись в папку ") + dir);
    }
    return withSlash(dir);
}

}  // namespace

QString ResolveProgramDir(const QString& chosen) {
    if (!chosen.isEmpty()) return ensureDir(chosen);
    const QString own = QCoreApplication::applicationDirPath();
    // An installed copy keeps its files per user, even when run by root, for
    // whom the system's program folder is writable too.
    if (!own.isEmpty() && !IsSystemProgramFolder(own) && canWriteIn(own)) return withSlash(own);
    return ensureDir(UserDataRoot() + QStringLiteral("/contract-finder"));
}
