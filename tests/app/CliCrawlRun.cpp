#include "tests/app/CliCrawlRun.h"

#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>

int RunCliCrawl(const CliCrawlRun& run, QString& output) {
    QStringList arguments = {
        u"run"_q,    u"--dir"_q, run.folder, u"--portal"_q, QString::fromStdString(run.portal),
        u"--from"_q, run.from,   u"--to"_q,  run.to};
    if (run.threads > 0) arguments << u"--threads"_q << QString::number(run.threads);
    arguments << u"--loop-sleep-ms"_q << QString::number(run.loopSleepMs) << run.extraArguments;
    QProcess cli;
    cli.start(QStringLiteral(CF_CLI_PATH), arguments);
    if (!cli.waitForFinished(run.timeoutMs)) return -1;
    QByteArray written = cli.readAllStandardOutput();
    if (run.withErrors) written += cli.readAllStandardError();
    output = QString::fromUtf8(written);
    return cli.exitCode();
}

bool WriteInnList(const QString& folder, const QStringList& lines) {
    QFile file(folder + u"/INNs.txt"_q);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write((lines.join(u"\r\n"_q) + u"\r\n"_q).toUtf8()) >= 0;
}
