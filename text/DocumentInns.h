#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>

// Time limits of the converters; a converter still running at its limit is
// killed. The defaults are the program's; tests pass shorter ones.
struct ConversionTimeouts {
    std::chrono::milliseconds textExtraction{300000};
    std::chrono::milliseconds pageRendering{600000};
    std::chrono::milliseconds pageOcr{600000};  // for each page
};

struct DocumentInnsResult {
    enum Source { None, TextLayer, Ocr };

    QStringList inns;      // in the order found, duplicates kept
    Source source = None;  // where they were found; None when there are none
    // When no INN was found: why the document could not be read, in Russian
    // (a converter missing, killed at its time-out, ending with an error);
    // empty when every converter ran to its end, so that "no INN" is the truth.
    QString failure;
    // The limits that left part of the document unread (a page larger than
    // the rendering allows, converter output beyond the bytes read), in
    // Russian; empty when the whole of it was read.
    QString cut;
};

// The INNs found in a downloaded PDF document: from its text layer, or, when
// that holds none, from the OCR text of its first 50 rendered pages. Each
// page is rendered no larger than an A4 page at 300 dpi, and only the first
// megabytes of a converter's output are read; `cut` says when that left
// something unread.
// `textExtractor` (pdftotext), `pageRenderer` (pdftoppm) and `ocrEngine`
// (tesseract) are the converter programs; one that is missing, fails or runs
// out of time contributes no text, and is named in `failure` when no INN is
// found. Temporary files lie beside the
// document, named after it and the calling thread, and are all deleted before
// returning. Runs on the calling (worker) thread; conversions on different
// threads do not meet. Only the pages read are rendered. When stop is set (by
// another thread) the converter running is killed and no further one starts;
// the result is then incomplete and the caller drops it. Throws EGeneralError
// only when a converter's output file exists but cannot be read: that attempt
// has failed.
DocumentInnsResult FindDocumentInnsDetailed(const QString& document, const QString& textExtractor,
                                            const QString& pageRenderer, const QString& ocrEngine,
                                            const ConversionTimeouts& timeouts = {},
                                            const std::atomic<bool>* stop = nullptr);

// FindDocumentInnsDetailed's INNs.
QStringList FindDocumentInns(const QString& document, const QString& textExtractor,
                             const QString& pageRenderer, const QString& ocrEngine,
                             const std::atomic<bool>* stop = nullptr);

// The part of every temporary file name of a conversion that names the
// process making it: files of a process no longer running are leftovers.
QString ConversionTag();

// Deletes the leftover document and converter files in the folder: those a
// copy of the program no longer running (or this process, between runs) left
// behind, recognised by the name ConversionTag gives. Gives how many went.
int DeleteLeftoverConversionFiles(const QString& folder);
