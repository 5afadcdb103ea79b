#include "app/RunSummaryPanel.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <numeric>

namespace {

constexpr int kListRowsShown = 5;

QString headingText(const RunSummary& summary) {
    QString heading;
    switch (summary.outcome) {
        case RunOutcome::Done:
            heading = QStringLiteral("Сбор завершён.");
            break;
        case RunOutcome::Stopped:
            heading = QStringLiteral("Работа остановлена, отчёты не составлялись.");
            break;
        case RunOutcome::Incomplete:
            heading = QStringLiteral(
                          "Сбор завершён не полностью: %1 страниц портала не прочитано, отчёты "
                          "могут быть неполными (следующий запуск запросит их снова).")
                          .arg(summary.unread());
            break;
        case RunOutcome::Failed:
            heading = QStringLiteral("Работа завершилась с ошибкой") +
                      (summary.failureText.isEmpty() ? QStringLiteral(".")
                                                     : QStringLiteral(": ") + summary.failureText);
            break;
    }
    int cards = 0;
    int stored = 0;
    for (const RegistryFigures& r : summary.registries) {
        cards += r.cardsRead;
        stored += r.cardsStored;
    }
    return heading + QStringLiteral(" %1. Прочитано карточек: %2, сохранено в базу: %3.")
                         .arg(summary.searchByInn ? QStringLiteral("Поиск по ИНН из списка")
                                                  : QStringLiteral("Полный обход реестров"))
                         .arg(cards)
                         .arg(stored);
}

}  // namespace

RunSummaryPanel::RunSummaryPanel(QWidget* parent)
    : QFrame(parent), openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(QStringLiteral("Итог работы"));
    HeadingLabel = new QLabel(this);
    HeadingLabel->setWordWrap(true);
    HeadingLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReportsList = new QListWidget(this);
    ReportsList->setAccessibleName(QStringLiteral("Отчёты по ИНН и группам"));
    ReportsList->setTextElideMode(Qt::ElideNone);
    SearchNotesLabel = new QLabel(this);
    SearchNotesLabel->setWordWrap(true);
    SearchNotesLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SearchNotesLabel->setAccessibleName(QStringLiteral("Что нашёл поиск по ИНН"));
    ShownHintLabel = new QLabel(this);
    ShownHintLabel->setWordWrap(true);
    ShownHintLabel->setText(QStringLiteral(
        "Контракты, которые уже были в прежних отчётах, второй раз не показываются: их ссылки "
        "записаны в файле shown.txt в папке программы. Чтобы получить их в отчёте снова, удалите "
        "из shown.txt их строки (или весь файл — тогда повторятся все) и запустите сбор ещё раз; "
        "карточки уже лежат в базе и заново не загружаются."));
    OpenReportButton = new QPushButton(QStringLiteral("Открыть отчёт"), this);
    OpenReportButton->setAccessibleName(QStringLiteral("Открыть отчёт"));
    OpenFolderButton = new QPushButton(QStringLiteral("Открыть папку"), this);
    OpenFolderButton->setAccessibleName(QStringLiteral("Открыть папку программы"));
    CollectedReportButton = new QPushButton(QStringLiteral("Составить отчёт по собранному"), this);
    CollectedReportButton->setAccessibleName(CollectedReportButton->text());
    CollectedReportButton->setToolTip(
        QStringLiteral("Отчёт по контрактам, уже сохранённым в базе, с теми же правилами "
                       "shown.txt; файлы помечаются «_частичный»"));
    CollectedReportButton->hide();
    HideButton = new QPushButton(QStringLiteral("Скрыть"), this);
    HideButton->setAccessibleName(QStringLiteral("Скрыть итог работы"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OpenReportButton);
    buttons->addWidget(OpenFolderButton);
    buttons->addWidget(CollectedReportButton);
    buttons->addStretch(1);
    buttons->addWidget(HideButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(HeadingLabel);
    layout->addWidget(ReportsList);
    layout->addWidget(SearchNotesLabel);
    layout->addWidget(ShownHintLabel);
    layout->addLayout(buttons);
    setTabOrder(ReportsList, OpenReportButton);
    setTabOrder(OpenReportButton, OpenFolderButton);
    setTabOrder(OpenFolderButton, HideButton);

    connect(OpenReportButton, &QPushButton::clicked, this, [this] { openSelectedReport(); });
    connect(ReportsList, &QListWidget::itemActivated, this, [this] { openSelectedReport(); });
    connect(ReportsList, &QListWidget::currentRowChanged, this, [this] { selectionChanged(); });
    connect(OpenFolderButton, &QPushButton::clicked, this,
            [this] { openUrl(QUrl::fromLocalFile(m_summary.programDir)); });
    connect(HideButton, &QPushButton::clicked, this, [this] { hide(); });
    connect(CollectedReportButton, &QPushButton::clicked, this, [this] {
        if (makeCollectedReport) makeCollectedReport();
    });
    hide();
}

QString RunSummaryPanel::reportText(const ReportFigures& report, bool checkNotMade) {
    if (checkNotMade && StateOf(report) != ReportState::NewContracts)
        return report.name + QStringLiteral(": проверка не выполнена — ") + CheckNotMadeReason();
    switch (StateOf(report)) {
        case ReportState::NewContracts:
            return QStringLiteral("%1: новых контрактов %2")
                .arg(report.name)
                .arg(report.newContracts);
        case ReportState::AllShown:
            return QStringLiteral(
                       "%1: новых контрактов нет — все найденные (%2) уже были в прежних "
                       "отчётах, см. shown.txt")
                .arg(report.name)
                .arg(report.alreadyShown);
        case ReportState::NotAnInn:
            return report.name +
                   QStringLiteral(": новых контрактов нет — это не ИНН, исправьте строку в списке");
        case ReportState::NoneStored:
            break;
    }
    return report.name + (report.isGroup
                              ? QStringLiteral(": новых контрактов нет — в базе нет контрактов "
                                               "ИНН этой группы за прочитанные даты")
                              : QStringLiteral(": новых контрактов нет — в базе нет контрактов "
                                               "этого ИНН за прочитанные даты"));
}

void RunSummaryPanel::showSummary(const RunSummary& summary) {
    m_summary = summary;
    HeadingLabel->setText(headingText(summary));
    fillReports();
    const QStringList searchLines = summary.searchLines();
    SearchNotesLabel->setText(searchLines.join(u'\n'));
    SearchNotesLabel->setVisible(!searchLines.isEmpty());
    const int held = std::accumulate(
        summary.reports.begin(), summary.reports.end(), 0,
        [](int sum, const ReportFigures& report) { return sum + report.alreadyShown; });
    ShownHintLabel->setVisible(held > 0);
    OpenFolderButton->setEnabled(!summary.programDir.isEmpty());
    CollectedReportButton->setVisible(summary.outcome == RunOutcome::Stopped &&
                                      makeCollectedReport != nullptr);
    show();
}

void RunSummaryPanel::showCollectedReports(const std::vector<ReportFigures>& reports) {
    m_summary.reports = reports;
    CollectedReportButton->hide();
    HeadingLabel->setText(headingText(m_summary) +
                          QStringLiteral(" Отчёт по собранному составлен (файлы «_частичный»)."));
    fillReports();
    show();
}

void RunSummaryPanel::fillReports() {
    ReportsList->clear();
    int firstWithFile = -1;
    for (std::size_t i = 0; i < m_summary.reports.size(); ++i) {
        ReportsList->addItem(reportText(m_summary.reports[i], m_summary.checkNotMade));
        if (firstWithFile < 0 && !reportPath(static_cast<int>(i)).isEmpty())
            firstWithFile = static_cast<int>(i);
    }
    if (m_summary.reports.empty()) {
        ReportsList->addItem(m_summary.outcome == RunOutcome::Stopped
                                 ? QStringLiteral("Отчёты составляются только в конце сбора.")
                                 : QStringLiteral("Отчёты не составлены."));
    }
    const int rows = qBound(1, ReportsList->count(), kListRowsShown);
    ReportsList->setFixedHeight(rows * ReportsList->sizeHintForRow(0) +
                                2 * ReportsList->frameWidth() +
                                ReportsList->horizontalScrollBar()->sizeHint().height());
    ReportsList->setCurrentRow(qMax(0, firstWithFile));
    selectionChanged();
}

QString RunSummaryPanel::absolute(const QString& file) const {
    return file.isEmpty() ? QString() : QDir(m_summary.programDir).absoluteFilePath(file);
}

QString RunSummaryPanel::reportPath(int row) const {
    if (row < 0 || row >= static_cast<int>(m_summary.reports.size())) return {};
    const ReportFigures& report = m_summary.reports[static_cast<std::size_t>(row)];
    return absolute(report.workbookFile.isEmpty() ? report.reportFile : report.workbookFile);
}

void RunSummaryPanel::selectionChanged() {
    OpenReportButton->setEnabled(!reportPath(ReportsList->currentRow()).isEmpty());
}

void RunSummaryPanel::openSelectedReport() {
    const QString path = reportPath(ReportsList->currentRow());
    if (path.isEmpty() || openUrl(QUrl::fromLocalFile(path))) return;
    // No program opens the file here: the path, selectable, lets the user open it otherwise.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Открыть отчёт"),
                    QStringLiteral("Не удалось открыть файл отчёта: на этом компьютере нет "
                                   "программы, которая открывает такие файлы.\n\n%1\n\n"
                                   "Путь можно выделить и скопировать.")
                        .arg(QDir::toNativeSeparators(path)),
                    QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}
