#include "app/WatchSchedule.h"

#include "platform/ChildProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString kWantsFolder = QStringLiteral("timers.target.wants/");

QString folderPath(const QString& programDir) {
    QString path = QFileInfo(programDir).absoluteFilePath();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool writeFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text.toUtf8());
    return file.commit();
}

// "systemctl --user ..."; the Russian reason it failed, empty when it did its work.
QString systemctl(const QStringList& arguments) {
    ChildProcessOptions options;
    options.captureOutput = true;
    options.timeout = std::chrono::seconds(60);
    const ChildResult result = ChildProcess::run(
        QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments, options);
    if (result.exitedWith(0)) return {};
    if (result.status == ChildStatus::FailedToStart) return result.error;
    const QString said = QString::fromUtf8(result.standardError).trimmed();
    return said.isEmpty() ? QStringLiteral("код выхода %1").arg(result.exitCode) : said;
}

// The folders of `path` that do not exist yet, deepest first.
QStringList missingFolders(QString path) {
    QStringList missing;
    while (path.endsWith(QLatin1Char('/')) && path.size() > 1)
        path.chop(1);
    while (!path.isEmpty() && !QFileInfo::exists(path)) {
        missing << path;
        path = QFileInfo(path).path();
    }
    return missing;
}

void removeFolders(const QStringList& folders) {
    for (const QString& folder : folders)
        QDir().rmdir(folder);  // only when nothing else was put there meanwhile
}

void removeUnits(const WatchUnits& units) {
    QFile::remove(units.timerPath());
    QFile::remove(units.servicePath());
    // QFile::remove takes a link away even when it points nowhere any more.
    QFile::remove(units.folder + kWantsFolder + units.name + QStringLiteral(".timer"));
    QDir(units.folder).rmdir(kWantsFolder);  // only when it has nothing left
}

QString timeText(const QTime& at) {
    return at.toString(QStringLiteral("HH:mm"));
}

}  // namespace

QString UserUnitFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/systemd/user/");
}

QString WatchUnitName(const QString& programDir) {
    const QByteArray hash =
        QCryptographicHash::hash(folderPath(programDir).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("contract-finder-watch-") + QString::fromLatin1(hash.toHex().left(12));
}

QString SystemdQuoted(const QString& word) {
    QString quoted;
    for (const QChar c : word) {
        if (c == u'\\' || c == u'"')
            quoted += u'\\';
        else if (c == u'%' || c == u'$')
            quoted += c;
        else if (c == u'\n') {
            quoted += QStringLiteral("\\n");
            continue;
        }
        quoted += c;
    }
    return u'"' + quoted + u'"';
}

WatchUnits MakeWatchUnits(const QString& programDir, const QString& cliPath, const QTime& at) {
    WatchUnits units;
    units.name = WatchUnitName(programDir);
    units.folder = UserUnitFolder();
    const QString folder = folderPath(programDir);
    QString description =
        QStringLiteral("Поиск контрактов: проверка новых контрактов, папка ") + folder;
    description.replace(u'%', QStringLiteral("%%")).replace(u'\n', u' ');
    units.serviceText =
        QStringLiteral(
            "[Unit]\nDescription=%1\n\n[Service]\nType=oneshot\nExecStart=%2 watch --dir %3\n")
            .arg(description, SystemdQuoted(QFileInfo(cliPath).absoluteFilePath()),
                 SystemdQuoted(folder));
    units.timerText = QStringLiteral(
                          "[Unit]\nDescription=%1\n\n[Timer]\nOnCalendar=*-*-* %2:00\n"
                          "Persistent=true\nUnit=%3.service\n\n[Install]\nWantedBy=timers.target\n")
                          .arg(description, timeText(at), units.name);
    return units;
}

QString CrontabLine(const QString& programDir, const QString& cliPath, const QTime& at) {
    // cron hands the line to sh; an unescaped "%" would end the command there.
    const auto shellQuoted = [](QString word) {
        word.replace(u'\'', QStringLiteral("'\\''")).replace(u'%', QStringLiteral("\\%"));
        return u'\'' + word + u'\'';
    };
    return QStringLiteral("%1 %2 * * * %3 watch --dir %4")
        .arg(at.minute())
        .arg(at.hour())
        .arg(shellQuoted(QFileInfo(cliPath).absoluteFilePath()),
             shellQuoted(folderPath(programDir)));
}

ScheduleChange InstallWatchSchedule(const QString& programDir, const QString& cliPath,
                                    const QTime& at) {
    ScheduleChange change;
    const WatchUnits units = MakeWatchUnits(programDir, cliPath, at);
    // A failed install leaves the home as it found it, folders included.
    const QStringList created = missingFolders(units.folder);
    if (!QDir().mkpath(units.folder) || !writeFile(units.servicePath(), units.serviceText) ||
        !writeFile(units.timerPath(), units.timerText)) {
        removeUnits(units);
        removeFolders(created);
        change.message = QStringLiteral("Не удалось записать таймер в папку %1").arg(units.folder);
        return change;
    }
    QString failure = systemctl({QStringLiteral("daemon-reload")});
    if (failure.isEmpty())
        failure = systemctl({QStringLiteral("enable"), QStringLiteral("--now"),
                             units.name + QStringLiteral(".timer")});
    if (!failure.isEmpty()) {
        // Units no systemd reads would only look like a schedule.
        removeUnits(units);
        removeFolders(created);
        change.crontabLine = CrontabLine(programDir, cliPath, at);
        change.message =
            QStringLiteral(
                "Пользовательский systemd недоступен (systemctl --user: %1), автоматическая "
                "проверка не назначена. Чтобы проверять каждый день в %2, добавьте в crontab "
                "(команда crontab -e) строку:\n%3")
                .arg(failure, timeText(at), change.crontabLine);
        return change;
    }
    change.done = true;
    change.message = QStringLiteral(
                         "Автоматическая проверка назначена: каждый день в %1 (таймер "
                         "systemd %2.timer)")
                         .arg(timeText(at), units.name);
    return change;
}

ScheduleChange RemoveWatchSchedule(const QString& programDir) {
    ScheduleChange change;
    WatchUnits units;
    units.name = WatchUnitName(programDir);
    units.folder = UserUnitFolder();
    const bool installed = QFileInfo::exists(units.timerPath());
    // Without a systemd session nothing runs them: the files alone are taken away.
    if (installed)
        systemctl({QStringLiteral("disable"), QStringLiteral("--now"),
                   units.name + QStringLiteral(".timer")});
    removeUnits(units);
    if (installed) systemctl({QStringLiteral("daemon-reload")});
    change.done = true;
    change.message = installed ? QStringLiteral("Автоматическая проверка отключена")
                               : QStringLiteral("Автоматическая проверка не была назначена");
    return change;
}

WatchScheduleState ReadWatchSchedule(const QString& programDir, const QDateTime& now) {
    WatchScheduleState state;
    QFile timer(UserUnitFolder() + WatchUnitName(programDir) + QStringLiteral(".timer"));
    if (!timer.open(QIODevice::ReadOnly)) return state;
    const QString text = QString::fromUtf8(timer.readAll());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^OnCalendar=\\*-\\*-\\* (\\d\\d):(\\d\\d):00$"),
                           QRegularExpression::MultilineOption)
            .match(text);
    if (!match.hasMatch()) return state;
    state.installed = true;
    state.at = QTime(match.captured(1).toInt(), match.captured(2).toInt());
    state.next = QDateTime(now.date(), state.at);
    if (state.next <= now) state.next = state.next.addDays(1);
    return state;
}
