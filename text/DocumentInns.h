#pragma once

#include <QString>
#include <QStringList>

// The INNs found in a downloaded document, in the order found, duplicates
// kept: from its text layer, or from the OCR text of its rendered pages.
// `textExtractor`, `pageRenderer` and `ocrEngine` are the converter programs.
// Runs on the calling (worker) thread.
QStringList FindDocumentInns(const QString& document, const QString& textExtractor,
                             const QString& pageRenderer, const QString& ocrEngine);
