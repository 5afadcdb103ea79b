#pragma once

#include <QByteArray>
#include <QString>

// The UTF-8 form of a text as handed to the SQLite library. An unpaired
// UTF-16 surrogate has no UTF-8 form: it becomes U+FFFD, the Unicode
// replacement character, and the valid text around it is kept as it is.
QByteArray Utf8Text(const QString& text);
