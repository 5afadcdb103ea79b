#pragma once

#include <QString>
#include <QStringView>

// Cutting page text between fixed marker texts. Positions are 1-based and
// count UTF-16 code units; 0 means "not found". Searches are case-sensitive
// and an empty marker counts as absent. Pure functions, callable from any thread.

// The text after StartMarker (or after the first MidMarker that follows it) up
// to the next EndMarker. Empty when a given marker is not found.
QString ExtractBetween(QStringView text, QStringView startMarker, QStringView midMarker,
                       QStringView endMarker);

// The position of the last occurrence of sub lying wholly within the first pos
// code units of text; 0 when there is none or pos is below 1.
qsizetype LastPosBefore(QStringView sub, QStringView text, qsizetype pos);
