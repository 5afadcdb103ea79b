// The controls of the main window, their arrangement and their signals. The
// arrangement follows the program's 96 dpi layout through Qt layouts, so it
// scales with the screen: the INN list on the left, the log filling the rest
// (the two in a splitter the user can drag, the account of the last run
// under the log), the bottom row of controls with the run's status line at
// its right, and the progress bar along the bottom edge.
#include "app/ContractsView.h"
#include "app/OptionalDateEdit.h"
#include "app/RunStatusLine.h"
#include "app/RunSummaryPanel.h"
#include "app/TMainForm.h"
#include "app/TextSelectAll.h"
#include "app/WatchPanel.h"

#include <QTimeEdit>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* makeMemo(QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextSelectAll::install(memo);
    return memo;
}

// A label over its text field, as one side of the splitter.
QWidget* makePane(QLabel* label, QWidget* field, QWidget* below = nullptr) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(label);
    layout->addWidget(field, 1);
    if (below) layout->addWidget(below);
    return pane;
}

constexpr int kInnsWidth = 131;
constexpr int kLogWidth = 812;
constexpr int kPaneGap = 6;

}  // namespace

void TMainForm::createControls() {
    Label1 = new QLabel(QStringLiteral("ИНН поставщиков:"), this);
    InnsMemo = makeMemo(this);
    InnsMemo->setPlainText(QStringLiteral("7707083893\n7728168971\n500100732259"));
    InnsMemo->setToolTip(QStringLiteral(
        "По одному ИНН в строке. Строка «Группа⇥ИНН» (через табуляцию) кладёт ИНН в отчёт "
        "группы: первый столбец — имя группы, ищется только ИНН последнего столбца; "
        "«Группа⇥подпись⇥ИНН» — с подписью."));
    Label2 = new QLabel(QStringLiteral("Логи:"), this);
    LogsMemo = makeMemo(this);
    LogsMemo->setReadOnly(true);
    LogsMemo->setMaximumBlockCount(kShownLogLines);  // the run's log file keeps the rest
    StartButton = new QPushButton(QStringLiteral("СТАРТ"), this);
    QFont big = StartButton->font();
    big.setPixelSize(19);
    StartButton->setFont(big);
    PauseButton = new QPushButton(QStringLiteral("пауза"), this);
    StopButton = new QPushButton(QStringLiteral("стоп"), this);
    Label5 = new QLabel(QStringLiteral("Число потоков:"), this);
    LimitEdit = new QSpinBox(this);
    LimitEdit->setRange(1, 1000);
    LimitEdit->setValue(1);
    TendersCounterLabel = new QLabel(QStringLiteral("Найдено контрактов: "), this);
    Label3 = new QLabel(QStringLiteral("Дата заключения контракта, от:"), this);
    DatePublishedPicker = new OptionalDateEdit(this);
    DatePublishedPicker->setOptionalDate(QDate::currentDate().addDays(-7));
    Label6 = new QLabel(QStringLiteral("до:"), this);
    DatePublishedPicker2 = new OptionalDateEdit(this);
    Label4 = new QLabel(QStringLiteral("Интервал между запросами к сайту, с:"), this);
    IntervalSpinEdit = new QSpinBox(this);
    IntervalSpinEdit->setRange(0, 1000000);
    UseProxyCheckBox =
        new QCheckBox(QStringLiteral("Использовать прокси из файла proxy.txt"), this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedHeight(17);
    ProgressBar->setValue(0);
    ProgressBar->setStyleSheet(
        QStringLiteral("QProgressBar::chunk { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                       "stop:0 #2e9e2e, stop:1 #c8f0c8); }"));
    // Read by the run, never shown.
    for (QWidget* hidden : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(IntervalSpinEdit),
                            static_cast<QWidget*>(UseProxyCheckBox)}) {
        hidden->setVisible(false);
    }
    createRunView();
}

void TMainForm::layOutControls() {
    auto* bottomRow = new QHBoxLayout;
    StartButton->setFixedSize(253, 43);
    bottomRow->addWidget(StartButton);
    auto* pauseStop = new QVBoxLayout;
    // At least the program's 75 pixels, more when the text asks for it (a larger font or scale).
    for (QPushButton* button : {PauseButton, StopButton}) {
        const QSize text = button->minimumSizeHint();
        button->setMinimumSize(qMax(75, text.width()), qMax(20, text.height()));
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    pauseStop->addWidget(PauseButton);
    pauseStop->addWidget(StopButton);
    bottomRow->addLayout(pauseStop);
    bottomRow->addSpacing(12);
    // Three rows, each from the left as the program lays them out (the thread
    // count right after its label, not under the date field), so that a longer
    // counter text never moves the date fields.
    auto* fields = new QVBoxLayout;
    auto* threadsRow = new QHBoxLayout;
    threadsRow->addWidget(Label5);
    threadsRow->addWidget(LimitEdit);
    threadsRow->addSpacing(12);
    threadsRow->addWidget(TendersCounterLabel);
    threadsRow->addStretch(1);
    auto* datesRow = new QHBoxLayout;
    datesRow->addWidget(Label3);
    datesRow->addWidget(DatePublishedPicker);
    datesRow->addWidget(Label6);
    datesRow->addWidget(DatePublishedPicker2);
    datesRow->addStretch(1);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(SearchByInnCheckBox);
    modeRow->addSpacing(8);
    modeRow->addWidget(StagesComboBox);
    modeRow->addStretch(1);
    fields->addLayout(threadsRow);
    fields->addLayout(datesRow);
    fields->addLayout(modeRow);
    bottomRow->addLayout(fields);
    bottomRow->addSpacing(12);
    bottomRow->addWidget(StatusLabel, 1);

    // The INN list keeps its width when the window grows; the log takes the rest.
    InnsMemo->setMinimumWidth(60);
    InnsLogSplitter->addWidget(makePane(Label1, InnsMemo));
    auto* logTabs = new QTabWidget(this);
    logTabs->addTab(makePane(Label2, LogsMemo, SummaryPanel), QStringLiteral("Лог"));
    logTabs->addTab(ContractsTab, QStringLiteral("Контракты в базе"));
    InnsLogSplitter->addWidget(logTabs);
    InnsLogSplitter->setHandleWidth(kPaneGap);
    InnsLogSplitter->setChildrenCollapsible(false);
    InnsLogSplitter->setStretchFactor(0, 0);
    InnsLogSplitter->setStretchFactor(1, 1);
    InnsLogSplitter->setSizes({kInnsWidth, kLogWidth});

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 0);
    grid->addWidget(InnsLogSplitter, 0, 0);
    grid->addWidget(WatchRow, 1, 0);
    grid->addLayout(bottomRow, 2, 0);
    grid->addWidget(ProgressBar, 3, 0);
    grid->setRowStretch(0, 1);

    setTabOrder(StartButton, LogsMemo);
    setTabOrder(LogsMemo, LimitEdit);
    setTabOrder(LimitEdit, UseProxyCheckBox);
    setTabOrder(UseProxyCheckBox, PauseButton);
    setTabOrder(PauseButton, StopButton);
    setTabOrder(StopButton, IntervalSpinEdit);
    setTabOrder(IntervalSpinEdit, InnsMemo);
    setTabOrder(InnsMemo, DatePublishedPicker);
    setTabOrder(DatePublishedPicker, DatePublishedPicker2);
    // The controls added to the layout above come after it.
    setTabOrder(DatePublishedPicker2, SearchByInnCheckBox);
    setTabOrder(SearchByInnCheckBox, StagesComboBox);
    setTabOrder(StagesComboBox, SummaryPanel->ReportsList);
    setTabOrder(SummaryPanel->ReportsList, SummaryPanel->OpenReportButton);
    setTabOrder(SummaryPanel->OpenReportButton, SummaryPanel->OpenFolderButton);
    setTabOrder(SummaryPanel->OpenFolderButton, SummaryPanel->HideButton);
    setTabOrder(SummaryPanel->HideButton, WatchRow->ScheduleCheckBox);
    setTabOrder(WatchRow->ScheduleCheckBox, WatchRow->TimeEdit);
    setTabOrder(WatchRow->TimeEdit, WatchRow->RunsButton);
}

void TMainForm::connectControls() {
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { m_control.PauseButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { m_control.StopButtonClick(); });
    connect(UseProxyCheckBox, &QCheckBox::clicked, this,
            [this](bool checked) { IntervalSpinEdit->setValue(checked ? 0 : 10); });
    // The run as the window shows it; after the run control's own handlers above.
    connect(&m_runStateTimer, &QTimer::timeout, this, [this] { refreshRunState(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { refreshRunState(); });
    connect(StopButton, &QPushButton::clicked, this, [this] {
        if (m_control.IsRunActive()) m_stopRequested = true;
        refreshRunState();
    });
    m_control.onRunFinished = [this](const QString& result) { runFinished(result); };
    // A refused date is said in the log too: the field keeps its previous date.
    for (OptionalDateEdit* picker : {DatePublishedPicker, DatePublishedPicker2}) {
        picker->onRefused = [this](const QString& hint) {
            LogsMemo->appendPlainText(QStringLiteral("Дата не принята: ") + hint);
        };
    }
}
