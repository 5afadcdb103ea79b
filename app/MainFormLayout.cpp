// The controls of the main window, their arrangement and their signals. The
// arrangement follows the program's 96 dpi layout through Qt layouts, so it
// scales with the screen: the INN list on the left, the log filling the rest,
// the bottom row of controls and the progress bar along the bottom edge.
#include "app/OptionalDateEdit.h"
#include "app/TMainForm.h"
#include "app/TextSelectAll.h"

#include <QGridLayout>
#include <QHBoxLayout>
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

}  // namespace

void TMainForm::createControls() {
    Label1 = new QLabel(QStringLiteral("ИНН поставщиков:"), this);
    InnsMemo = makeMemo(this);
    InnsMemo->setPlainText(QStringLiteral("7707083893\n7728168971\n500100732259"));
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
}

void TMainForm::layOutControls() {
    auto* bottomRow = new QHBoxLayout;
    StartButton->setFixedSize(253, 43);
    bottomRow->addWidget(StartButton);
    auto* pauseStop = new QVBoxLayout;
    PauseButton->setFixedSize(75, 20);
    StopButton->setFixedSize(75, 20);
    pauseStop->addWidget(PauseButton);
    pauseStop->addWidget(StopButton);
    bottomRow->addLayout(pauseStop);
    bottomRow->addSpacing(12);
    auto* fields = new QGridLayout;
    fields->addWidget(Label5, 0, 0);
    fields->addWidget(LimitEdit, 0, 1);
    fields->addWidget(TendersCounterLabel, 0, 2, 1, 3);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(DatePublishedPicker, 1, 1, 1, 2);
    fields->addWidget(Label6, 1, 3);
    fields->addWidget(DatePublishedPicker2, 1, 4);
    bottomRow->addLayout(fields);
    bottomRow->addStretch(1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 0);
    InnsMemo->setFixedWidth(131);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(InnsMemo, 1, 0);
    grid->addWidget(LogsMemo, 1, 1);
    grid->addLayout(bottomRow, 2, 0, 1, 2);
    grid->addWidget(ProgressBar, 3, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);

    setTabOrder(StartButton, LogsMemo);
    setTabOrder(LogsMemo, LimitEdit);
    setTabOrder(LimitEdit, UseProxyCheckBox);
    setTabOrder(UseProxyCheckBox, PauseButton);
    setTabOrder(PauseButton, StopButton);
    setTabOrder(StopButton, IntervalSpinEdit);
    setTabOrder(IntervalSpinEdit, InnsMemo);
    setTabOrder(InnsMemo, DatePublishedPicker);
    setTabOrder(DatePublishedPicker, DatePublishedPicker2);
}

void TMainForm::connectControls() {
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { m_control.PauseButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { m_control.StopButtonClick(); });
    connect(UseProxyCheckBox, &QCheckBox::clicked, this,
            [this](bool checked) { IntervalSpinEdit->setValue(checked ? 0 : 10); });
}
