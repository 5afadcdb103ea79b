#pragma once

#include "text/TrimControls.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Value tools shared by the card handlers: a labelled value is cut out of the
// page between two marker texts and cleaned into one line of plain text.
// Pure functions apart from NormalizeAmountText, which reads the regional
// settings; callable from any thread.

// HtmlToText, then TrimControls.
QString CleanValue(QStringView html);

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
