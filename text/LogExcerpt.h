#pragma once

#include <QString>
#include <QStringView>

// The longest page-derived text a log line quotes whole.
inline constexpr qsizetype kMaxLogExcerpt = 200;

// Page-derived text as a log line quotes it: whole when short, otherwise its
// start and how many characters were left out. A page may hold megabytes
// where a word is expected; the log and the window showing it must not.
QString LogExcerpt(QStringView text, qsizetype maxLength = kMaxLogExcerpt);
