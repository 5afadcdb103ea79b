#pragma once

#include "crawl/RunSummary.h"

#include <QFrame>
#include <QUrl>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// The account of the run that has just ended, shown in the window under the
// log: the outcome, per listed INN or group the new contracts or why there
// are none, and the way to the files. It blocks nothing: the next run can
// start while it is shown, and hides it. Window thread.
class RunSummaryPanel : public QFrame {
public:
    explicit RunSummaryPanel(QWidget* parent = nullptr);

    void showSummary(const RunSummary& summary);

    // The file «Открыть отчёт» opens for a row: the workbook, else the .tab;
    // empty when the row has none.
    QString reportPath(int row) const;

    // Asks the desktop to open a file or folder; tests replace it to see the request.
    std::function<bool(const QUrl&)> openUrl;
    // «Составить отчёт по собранному», offered after a stop when set: the
    // window runs the report stage over what is stored (CollectedReport.h).
    std::function<void()> makeCollectedReport;
    // The reports that stage made take the place of the stopped run's none.
    void showCollectedReports(const std::vector<ReportFigures>& reports);

    // One line of the list for a report; checkNotMade: the portal gave the run nothing to
    // check the report's INNs against.
    static QString reportText(const ReportFigures& report, bool checkNotMade = false);

    QLabel* HeadingLabel;
    QListWidget* ReportsList;
    // Search by INN: what each INN's searches found, the warnings, what the search cannot see.
    QLabel* SearchNotesLabel;
    QLabel* ShownHintLabel;
    QPushButton* OpenReportButton;
    QPushButton* OpenFolderButton;
    QPushButton* HideButton;
    QPushButton* CollectedReportButton;

private:
    void fillReports();
    void openSelectedReport();
    void selectionChanged();
    QString absolute(const QString& file) const;

    RunSummary m_summary;
};
