#include "app/WatchPanel.h"

#include "store/SQLiteWrap.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>

namespace {

QString momentText(const QDateTime& moment) {
    return moment.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString runTitle(const RunRecord& run) {
    QString title = QStringLiteral("%1  %2 — %3")
                        .arg(momentText(run.started), RunModeName(run.mode), RunEndName(run.end));
    if (run.end != RunEnd::Failed && run.end != RunEnd::Stopped)
        title += QStringLiteral(", новых %1").arg(run.newContracts);
    return title;
}

}  // namespace

WatchPanel::WatchPanel(QWidget* parent) : QFrame(parent) {
    ScheduleCheckBox = new QCheckBox(
        QStringLiteral("Проверять новые контракты автоматически: каждый день в"), this);
    ScheduleCheckBox->setToolTip(QStringLiteral(
        "Быстрый поиск по ИНН из списка за дни после последней успешной проверки, без окна "
        "программы (таймер systemd пользователя); о новых контрактах сообщит уведомление."));
    TimeEdit = new QTimeEdit(QTime(9, 0), this);
    TimeEdit->setDisplayFormat(QStringLiteral("HH:mm"));
    TimeEdit->setAccessibleName(QStringLiteral("Время ежедневной проверки"));
    StateLabel = new QLabel(this);
    StateLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    RunsButton = new QPushButton(QStringLiteral("Запуски"), this);
    RunsButton->setToolTip(QStringLiteral("Последние запуски: открыть отчёт или лог"));
    RunsMenu = new QMenu(RunsButton);
    RunsButton->setMenu(RunsMenu);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(ScheduleCheckBox);
    row->addWidget(TimeEdit);
    row->addSpacing(12);
    row->addWidget(StateLabel, 1);
    row->addWidget(RunsButton);

    install = [this](const QTime& at) { return InstallWatchSchedule(m_programDir, m_cliPath, at); };
    remove = [this] { return RemoveWatchSchedule(m_programDir); };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    showMessage = [this](const QString& text) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Автоматическая проверка"), text,
                        QMessageBox::Ok, this);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.exec();
    };
    // The user's clicks only: refresh() sets the box from the schedule without acting on it.
    connect(ScheduleCheckBox, &QCheckBox::clicked, this, [this](bool on) { scheduleToggled(on); });
    connect(TimeEdit, &QTimeEdit::editingFinished, this, [this] { timeChanged(); });
    connect(RunsMenu, &QMenu::aboutToShow, this, [this] {
        if (!runActive()) refresh();
        fillRunsMenu();
    });
    m_refreshTimer.setInterval(60000);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        if (!runActive()) refresh();
    });
}

void WatchPanel::setSource(const QString& programDir, const QString& cliPath) {
    m_programDir = programDir;
    m_cliPath = cliPath;
    refresh();
    m_refreshTimer.start();
}

void WatchPanel::refresh() {
    const WatchScheduleState state = ReadWatchSchedule(m_programDir, QDateTime::currentDateTime());
    ScheduleCheckBox->setChecked(state.installed);
    if (state.installed) TimeEdit->setTime(state.at);
    m_runs.clear();
    try {
        TSQLiteDatabase db(m_programDir + QStringLiteral("db.s3db"), true);
        m_runs = LastRuns(db, kRunsShown);
    } catch (const EGeneralError&) {
        // No database yet, or one of an earlier layout: no history to show.
    }
    QStringList parts;
    if (state.installed)
        parts << QStringLiteral("следующая проверка %1").arg(momentText(state.next));
    for (const RunRecord& run : m_runs) {
        if (run.mode != RunMode::Watch) continue;
        QString last =
            QStringLiteral("последняя %1: %2").arg(momentText(run.ended), RunEndName(run.end));
        if (run.end == RunEnd::Failed && !run.failure.isEmpty())
            last += QStringLiteral(" (%1)").arg(run.failure);
        else if (run.end != RunEnd::Stopped)
            last += QStringLiteral(", новых контрактов %1").arg(run.newContracts);
        parts << last;
        break;
    }
    StateLabel->setText(parts.join(QStringLiteral("; ")));
    StateLabel->setToolTip(StateLabel->text());
}

void WatchPanel::scheduleToggled(bool on) {
    const ScheduleChange change = on ? install(TimeEdit->time()) : remove();
    refresh();
    if (!change.done || !change.crontabLine.isEmpty()) showMessage(change.message);
}

void WatchPanel::timeChanged() {
    const WatchScheduleState state = ReadWatchSchedule(m_programDir, QDateTime::currentDateTime());
    if (!state.installed || state.at == TimeEdit->time()) return;
    scheduleToggled(true);
}

void WatchPanel::fillRunsMenu() {
    RunsMenu->clear();
    if (m_runs.empty()) {
        RunsMenu->addAction(QStringLiteral("Запусков ещё не было"))->setEnabled(false);
        return;
    }
    for (const RunRecord& run : m_runs) {
        QMenu* entry = RunsMenu->addMenu(runTitle(run));
        QAction* report = entry->addAction(QStringLiteral("Открыть отчёт"));
        report->setEnabled(!run.reportFile.isEmpty());
        connect(report, &QAction::triggered, this, [this, path = run.reportFile] { open(path); });
        QAction* log = entry->addAction(QStringLiteral("Открыть лог"));
        log->setEnabled(!run.logFile.isEmpty());
        connect(log, &QAction::triggered, this, [this, path = run.logFile] { open(path); });
    }
}

void WatchPanel::open(const QString& path) {
    if (QFileInfo::exists(path) && openUrl(QUrl::fromLocalFile(path))) return;
    showMessage(QFileInfo::exists(path)
                    ? QStringLiteral("Не найдена программа, чтобы открыть файл %1").arg(path)
                    : QStringLiteral("Файла %1 больше нет").arg(path));
}
