#pragma once

#include <QString>

// Values written into statement texts as SQL literals. Every result is safe
// to paste into a statement as it stands.

// A text as an SQL string literal: single quotes around it, each quote inside
// doubled. A NUL character cannot stand inside a literal (SQLite reads a
// statement only up to its first zero), so a text holding NUL is written as
// quoted pieces joined by ||char(0)||: 'abc'||char(0)||'def'.
QString SqlQuote(const QString& text);

// An amount text as an SQL number with "." as the decimal mark, or NULL. A
// decimal comma is accepted whatever the regional settings say; otherwise the
// text must be a plain number under the regional decimal separator (optional
// sign and exponent, no grouping). Anything else, the empty text included,
// gives NULL.
QString SqlAmount(const QString& text);

// A date text as the quoted literal 'yyyy-MM-dd', or NULL when it is empty or
// no date in the regional short format or in dd.MM.yyyy.
QString SqlDate(const QString& text);
