#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// What the window remembers between starts in "settings.ini" beside the
// other settings: the date range (section "Settings", keys "DateFrom" and
// "DateTo" as dd.mm.yyyy, empty for an unset date) and the window's geometry
// and the position of the splitter between the INN list and the log
// (section "Window"). Other keys are kept as they are when it is written.
struct WindowState {
    bool hasRange = false;  // the range was saved before
    QDate dateFrom;         // null: unset
    QDate dateTo;
    QByteArray geometry;  // as QWidget::saveGeometry gives it
    QByteArray splitter;  // as QSplitter::saveState gives it

    static WindowState load(const QString& programDir);
    bool save(const QString& programDir) const;  // false when it could not be written
};
