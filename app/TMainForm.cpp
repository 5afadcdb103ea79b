#include "app/TMainForm.h"

#include "app/ContractsView.h"

#include "app/DatabaseOpening.h"
#include "app/OptionalDateEdit.h"
#include "app/ProgramSettings.h"
#include "app/RunAssembly.h"
#include "app/RunStartChecks.h"
#include "app/StartupChecks.h"
#include "app/TextSelectAll.h"
#include "app/WatchPanel.h"
#include "crawl/PortalSearch.h"
#include "fetch/TlsSupport.h"
#include "platform/ExternalPrograms.h"
#include "platform/GeneralError.h"
#include "report/InnListCheck.h"
#include "store/ContractStore.h"
#include "store/SQLiteWrap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

namespace {

constexpr int kCloseWaitMs = 60000;

QString portalHost() {
    return QUrl(PortalBase()).host();
}

}  // namespace

QString MainFormCaption() {
    return QStringLiteral("Парсер контрактов/договоров поставщика по ИНН на ") + portalHost() +
           QStringLiteral(" по 44ФЗ, 223ФЗ, 615ПП");
}

TMainForm::TMainForm(MainFormOptions options, QWidget* parent)
    : QWidget(parent), m_options(std::move(options)), m_control(*this) {
    setWindowTitle(MainFormCaption());
    createControls();
    layOutControls();
    connectControls();
    resize(965, 747);
}

TMainForm::~TMainForm() {
    // The run ends while everything it reaches (the controls, the state timer)
    // still exists; members declared after the run control go first otherwise.
    m_control.EndRun();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    FormShow();
}

// The start-up sequence: placement, settings and list, the OCR engine, the database.
void TMainForm::FormShow() {
    if (!runPlacementChecks()) return;
    LogsMemo->appendPlainText(
        QStringLiteral("Спасибо, что пользуетесь парсером контрактов! Задайте список ИНН и "
                       "нажмите СТАРТ."));
    noteDataFolder();
    loadSettingsAndList();
    restoreWindowState();
    locateOcrEngine();
    openDatabase();
}

bool TMainForm::runPlacementChecks() {
    if (!m_options.checkPlacement) return true;
    const auto problem = CheckPlacement(m_options.placementPath, HttpsSupported());
    if (!problem) return true;
    showMessage(problem->caption, problem->text);
    m_startupFailed = true;
    // The process ends at once: main() sees startupFailed() before its event
    // loop starts; a window first shown from a running loop ends that loop.
    hide();
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(1);
    return false;
}

void TMainForm::loadSettingsAndList() {
    const ProgramSettings settings = ProgramSettings::load(m_options.programDir);
    LimitEdit->setValue(settings.threads);
    if (!settings.threadsProblem.isEmpty()) LogsMemo->appendPlainText(settings.threadsProblem);
    if (!m_options.portalProblem.isEmpty()) LogsMemo->appendPlainText(m_options.portalProblem);
    try {
        const auto inns = ReadTextFile(m_firstUseInnList.isEmpty()
                                           ? m_options.programDir + QStringLiteral("INNs.txt")
                                           : m_firstUseInnList);
        if (inns) {
            m_innsEncoding = inns->encoding;
            InnsMemo->setPlainText(SplitLines(inns->text).join(QLatin1Char('\n')));
        }
    } catch (const EGeneralError& e) {
        showMessage(QStringLiteral("Ошибка"), e.message());
    }
}

void TMainForm::locateOcrEngine() {
    m_tesseractExe = TesseractExePath(m_options.findTesseract ? FindTesseractDir() : QString());
    if (m_options.findTesseract && QFileInfo(m_tesseractExe).isFile()) return;
    showMessage(QStringLiteral("Ошибка"), QStringLiteral("Tesseract не найден: ") + m_tesseractExe);
    LogsMemo->appendPlainText(OcrEngineInstallHint());
    LogsMemo->appendPlainText(QStringLiteral("После установки программы перезапустите парсер"));
    m_ocrMissing = true;
    StartButton->setEnabled(false);
}

void TMainForm::openDatabase() {
    DatabaseOpening opening = OpenProgramDatabase(m_options.programDir);
    if (opening.damaged && askToMoveDamagedDatabase(opening.message)) {
        try {
            const QString moved = MoveDamagedDatabase(m_options.programDir);
            LogsMemo->appendPlainText(opening.message + QStringLiteral(" Файл переименован в ") +
                                      moved + QStringLiteral(", начата новая база."));
            opening = OpenProgramDatabase(m_options.programDir);
        } catch (const EGeneralError& e) {
            opening.message = e.message();
        }
    } else if (opening.damaged) {
        opening.message += QStringLiteral(
            " Файл оставлен как есть; сбор невозможен, пока его не "
            "переименуют или не уберут из папки программы.");
    }
    m_db = std::move(opening.db);
    WatchRow->setSource(m_options.programDir, QCoreApplication::applicationDirPath() +
                                                  QStringLiteral("/contract-finder-cli"));
    ContractsTab->setSource(m_options.programDir + QStringLiteral("db.s3db"),
                            [this] { return InnsMemo->toPlainText(); });
    if (m_db) return ContractsTab->refresh();
    if (!opening.damaged) showMessage(QStringLiteral("Ошибка"), opening.message);
    LogsMemo->appendPlainText(opening.message);
    m_dbMissing = true;
    StartButton->setEnabled(false);
}

bool TMainForm::askToMoveDamagedDatabase(const QString& message) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("База данных"),
                    message + QStringLiteral("\n\nПереименовать его в ") +
                        DamagedDatabaseName(QDateTime::currentDateTime()) +
                        QStringLiteral(" и начать новую базу? Файл не будет удалён."),
                    QMessageBox::NoButton, this);
    box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.exec();
    return box.clickedButton() != no && box.clickedButton() != nullptr;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (m_startupFailed) {
        event->accept();
        return;
    }
    // A second close while the first waits for the run's end is not handled.
    if (m_closing) {
        event->ignore();
        return;
    }
    // The run is stopped rather than cut off with the process, so that its
    // log file is still written.
    if (m_control.IsRunActive()) {
        if (!askToStopRun()) {
            event->ignore();
            return;
        }
        m_closing = true;
        m_stopRequested = true;
        m_control.StopButtonClick();
        m_control.WaitForRunEnd(kCloseWaitMs);
    }
    m_closing = true;
    saveSettingsAndList();
    event->accept();
}

bool TMainForm::askToStopRun() {
    QMessageBox box(QMessageBox::Question, windowTitle(),
                    QStringLiteral("Идёт сбор. Остановить и закрыть?"), QMessageBox::NoButton,
                    this);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole));
    box.exec();
    // The run may have ended while the question was open: closing is then harmless.
    return box.clickedButton() == yes;
}

void TMainForm::saveSettingsAndList() {
    ProgramSettings settings = ProgramSettings::load(m_options.programDir);
    settings.threads = LimitEdit->value();
    settings.searchByInn = SearchByInnCheckBox->isChecked();
    settings.stages = selectedStages();
    // Said, not lost silently: the next start would not find them.
    const bool settingsSaved = settings.save(m_options.programDir);
    const bool stateSaved = saveWindowState();
    if (!settingsSaved || !stateSaved) {
        showMessage(QStringLiteral("Ошибка"),
                    QStringLiteral("Не удалось сохранить настройки в файл %1 (папка только для "
                                   "чтения или диск заполнен)")
                        .arg(QDir::toNativeSeparators(m_options.programDir +
                                                      QStringLiteral("settings.ini"))));
    }
    const QStringList lines = InnsMemo->toPlainText().split(QLatin1Char('\n'));
    try {
        WriteTextFile(m_options.programDir + QStringLiteral("INNs.txt"),
                      lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), m_innsEncoding);
    } catch (const EGeneralError& e) {
        showMessage(QStringLiteral("Ошибка"), e.message());
    }
}

void TMainForm::StartButtonClick() {
    if (!m_db) {
        showMessage(QStringLiteral("Ошибка"), QStringLiteral("База данных не открыта"));
        return;
    }
    RunParameters parameters =
        AssembleRun(*m_db, m_options.programDir, DatePublishedPicker->optionalDate(),
                    DatePublishedPicker2->optionalDate(), m_tesseractExe);
    if (m_options.loopSleepMs) parameters.loopSleepMs = *m_options.loopSleepMs;
    parameters.stages = selectedStages();
    parameters.supplierFilters = ProgramSettings::load(m_options.programDir).supplierFilters;
    parameters.listedInns = ValidInns(InnsMemo->toPlainText());
    if (SearchByInnCheckBox->isChecked()) SearchListedInns(parameters, InnsMemo->toPlainText());
    if (!checkRunStart(parameters)) return;
    const auto outcome = m_control.Start(std::move(parameters));
    if (outcome == RunControl::StartOutcome::Started) {
        m_runFrom = DatePublishedPicker->optionalDate();
        m_runTo = DatePublishedPicker2->optionalDate();
        m_runInns = ValidInns(InnsMemo->toPlainText());
        runStarted();
    }
    if (outcome == RunControl::StartOutcome::EmptyInnList) {
        showMessage(QString(), QStringLiteral("Задайте список ИНН!"));
    }
}

ContractStages TMainForm::selectedStages() const {
    return StagesComboBox->currentIndex() == 1 ? ContractStages::All : ContractStages::FirstOnly;
}

// The input checks shared with the console: a refusal is shown and logged;
// the warnings of a run that may start go to its log after its first lines.
bool TMainForm::checkRunStart(RunParameters& parameters) {
    if (!m_options.portalProblem.isEmpty()) {
        showMessage(QStringLiteral("Ошибка"), m_options.portalProblem);
        return false;
    }
    RunStartCheck check;
    try {
        check = CheckRunStart({innListText(), parameters.publishDateFrom, parameters.publishDateTo,
                               UseProxyCheckBox->isChecked(), m_options.programDir});
    } catch (const EGeneralError& e) {
        check.refusal = e.message();
    }
    if (check.refusal.isEmpty()) {
        parameters.startWarnings = check.warnings;
        parameters.accountNotes = check.accountNotes;
        return true;
    }
    for (const QString& warning : check.warnings)
        LogsMemo->appendPlainText(warning);
    LogsMemo->appendPlainText(check.refusal);
    showMessage(QStringLiteral("Ошибка"), check.refusal);
    return false;
}

void TMainForm::showMessage(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption.isEmpty() ? windowTitle() : caption,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Ok, this);
    box.exec();
}

void TMainForm::clearLog() {
    LogsMemo->clear();
}

void TMainForm::appendLogLine(const QString& line) {
    LogsMemo->appendPlainText(QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QStringList TMainForm::logLines() const {
    return LogsMemo->toPlainText().split(QLatin1Char('\n'));
}

void TMainForm::setRunControlsEnabled(bool enabled) {
    // Start comes back only once the run's thread has ended (runFinished):
    // a click before would be refused without a word.
    StartButton->setEnabled(enabled && !m_ocrMissing && !m_dbMissing && !m_control.IsRunActive());
    InnsMemo->setEnabled(enabled);
}

void TMainForm::setProgress(int position, int maximum) {
    ProgressBar->setMaximum(qMax(1, maximum));
    ProgressBar->setValue(qMin(position, ProgressBar->maximum()));
    // "N из M" on the bar while a run goes; the bar of an idle window has no text.
    ProgressBar->setTextVisible(m_runStateTimer.isActive());
    ProgressBar->setToolTip(QStringLiteral("%1 из %2, осталось %3")
                                .arg(ProgressBar->value())
                                .arg(ProgressBar->maximum())
                                .arg(ProgressBar->maximum() - ProgressBar->value()));
}

void TMainForm::setProgressPosition(int position) {
    ProgressBar->setValue(position);
}

void TMainForm::setProgressDetail(const QString& detail) {
    // "N из M" alone sits near full while the total grows: the phase and the
    // time left say more.
    ProgressBar->setFormat(detail.isEmpty() ? QStringLiteral("%v из %m")
                                            : QStringLiteral("%v из %m — ") + detail);
}

void TMainForm::setTendersCounterText(const QString& text) {
    TendersCounterLabel->setText(text);
}

RunSettings TMainForm::runSettings() const {
    return RunSettings{LimitEdit->value(), IntervalSpinEdit->value(),
                       UseProxyCheckBox->isChecked()};
}

QString TMainForm::innListText() const {
    return InnsMemo->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}
