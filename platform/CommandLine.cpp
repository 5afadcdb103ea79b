#include "platform/CommandLine.h"

namespace {

QString quoted(const QString& argument) {
    const bool plain =
        !argument.isEmpty() && !argument.contains(QLatin1Char(' ')) &&
        !argument.contains(QLatin1Char('\t')) && !argument.contains(QLatin1Char('\n')) &&
        !argument.contains(QLatin1Char('\v')) && !argument.contains(QLatin1Char('"'));
    if (plain) return argument;
    QString line = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes count literally unless a quote follows them.
        const qsizetype run = c == QLatin1Char('"') ? backslashes * 2 + 1 : backslashes;
        line += QString(run, QLatin1Char('\\'));
        line += c;
        backslashes = 0;
    }
    line += QString(backslashes * 2, QLatin1Char('\\'));
    line += QLatin1Char('"');
    return line;
}

}  // namespace

QString WindowsCommandLine(const QString& program, const QStringList& arguments) {
    QString line = quoted(program);
    for (const QString& argument : arguments)
        line += QLatin1Char(' ') + quoted(argument);
    return line;
}
