#include "app/cli/GivenFolder.h"

#include <QDir>
#include <QFileInfo>

QString MissingGivenFolder(const QString& dir) {
    if (dir.isEmpty() || QFileInfo(dir).isDir()) return {};
    return QStringLiteral("Папка программы %1 не найдена (параметр --dir)")
        .arg(QDir::toNativeSeparators(dir));
}
