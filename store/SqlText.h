#pragma once

#include <QString>

// Values written into statement texts as SQL literals.

// A text as an SQL string literal: single quotes around it, each quote inside
// doubled.
QString SqlQuote(const QString& text);
