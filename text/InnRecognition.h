#pragma once

#include <QString>
#include <QStringList>

// The INNs in a text, in the order found, duplicates kept: every number
// labelled "ИНН" (or "HHH", as OCR often reads the label) and, only when there
// is none, every free-standing number of exactly 12 or 10 digits. Twelve
// digits are taken before ten. Each match attempt is bounded (10 000
// backtracking steps, depth 100); one that passes a bound ends the search and
// keeps what was found before it. Thread-safe; never throws.
QStringList FindInns(const QString& text);
