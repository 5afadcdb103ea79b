#include "tests/support/TestSupport.h"

#include <QFile>
#include <stdexcept>

QString TestSupport::dataPath(const QString& name) {
    return QStringLiteral(CF_TEST_DATA_DIR "/") + name;
}

QString TestSupport::readDataText(const QString& name) {
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot open fixture " + name.toStdString());
    }
    return QString::fromUtf8(file.readAll());
}
