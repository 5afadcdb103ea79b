#pragma once

#include "text/TrimControls.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Value tools shared by the card handlers: a labelled value is cut out of the
// page between two marker texts and cleaned into one line of plain text.
// Pure functions apart from NormalizeAmountText, which reads the regional
// settings; callable from any thread.

// The longest field value taken from a page. A contract subject runs to a few
// thousand characters; a longer one is a broken or hostile page, which must
// not fill the store and the reports.
inline constexpr qsizetype kMaxFieldLength = 10000;

// HtmlToText, then TrimControls, then CapFieldValue.
QString CleanValue(QStringView html);

// The value itself when it has at most kMaxFieldLength characters; otherwise
// its first kMaxFieldLength characters, "…" and a note of the full length.
QString CapFieldValue(QString value);

// Every run of spaces (U+0020) becomes one space.
QString CollapseSpaces(QStringView text);

// Drops no-break spaces (U+00A0) and "₽", turns every "," into the regional
// decimal separator, then trims. Ordinary spaces and other signs stay.
QString NormalizeAmountText(QStringView text);

// CleanValue of ExtractBetween(html, startMarker, no middle marker, endMarker).
QString CutValue(QStringView html, QStringView startMarker, QStringView endMarker);

// A list of INN texts kept sorted that silently ignores duplicates; it can hold
// one empty entry, which the store skips.
class TInnList {
public:
    void add(const QString& inn);
    const QStringList& items() const { return m_items; }

private:
    QStringList m_items;
};
