#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << QStringLiteral(
        "Окно программы ещё не готово: собраны ядро и консольная программа.\n");
    return 0;
}
