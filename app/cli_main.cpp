#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << QStringLiteral("Использование: contract-finder-cli <команда>\n");
    return 2;
}
