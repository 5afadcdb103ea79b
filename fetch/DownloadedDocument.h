#pragma once

#include "text/DocumentInns.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <optional>

// What a download answer gives the worker: the page text or the INNs found in
// the document (`html`) and the job's status text.
struct DownloadOutcome {
    QString html;
    QString statusText;
    // A converted document: where its INNs came from.
    DocumentInnsResult::Source source = DocumentInnsResult::None;
};

struct DownloadContext {
    QString url;           // the download address
    QString programDir;    // with a trailing separator; the document is saved there
    QString tesseractExe;  // the OCR engine
    QString uniqueTag;     // keeps the files of workers downloading the same document apart
    const std::atomic<bool>* stop = nullptr;  // set: the conversion in progress ends
};

// Handles a download answer by its content type: a "text" answer gives its
// body and message member; "application/download" saves, converts and deletes
// the document; any other type gives nothing. A document that could not be
// read (a converter missing, killed or failing, and no INN found) gives a
// status other than "успешно" that says why, so its contract is not taken
// for one without INNs and stays to be tried again; a document read only in
// part (DocumentInnsResult::cut) has a status beginning "успешно" followed by
// what was left unread. A refusal's message in the status is cut to a log
// excerpt. Throws EGeneralError when the
// document cannot be saved.
std::optional<DownloadOutcome> ProcessDownload(const DownloadContext& context,
                                               const QByteArray& contentType,
                                               const QByteArray& contentDisposition,
                                               const QByteArray& body);

// The text after "message":" in a refusal body, up to the next double quote.
QString MessageMember(const QString& text);

// The file name a download is saved under in the program's folder: the
// address's text after "uid=" reduced to safe characters, the tag and the
// extension. Never contains a path separator or "..".
QString DownloadFileName(const QString& url, const QString& uniqueTag, const QString& ext);
