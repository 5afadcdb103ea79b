#include "report/ShownLinksFile.h"

#include "platform/GeneralError.h"

#include <QFileInfo>
#include <QSaveFile>
#include <utility>

namespace {

const QByteArray kRecordStart = QByteArrayLiteral("line");
const QByteArray kRecordEnd = QByteArrayLiteral("end");
// Enough for the longest report line there is.
constexpr qint64 kTailBytes = 4 * 1024 * 1024;
// The characters encoded and written at a time when the file is rewritten.
constexpr qsizetype kWriteChunkChars = 1024 * 1024;

}  // namespace

QString ShownLinksFile::lockPath(const QString& programDir) {
    return programDir + QStringLiteral("shown.txt.lock");
}

ShownLinksFile::ShownLinksFile(const QString& programDir, const QStringList& loaded,
                               TextEncoding encodingWhenNew, const std::function<void()>& onWait,
                               const std::function<bool()>& stopRequested)
    : m_lock(lockPath(programDir), onWait, stopRequested),
      m_path(programDir + QStringLiteral("shown.txt")),
      m_encoding(encodingWhenNew),
      m_links(loaded) {
    // Read under the lock: another copy may have added links since set-up.
    // Line by line: a file of a million links is never held whole beside them.
    const std::optional<TextFileLines> file =
        ReadTextFileLines(m_path, [this](const QString& line) {
            if (!line.isEmpty()) m_links.add(line);
        });
    if (file) {
        m_exists = true;
        m_encoding = file->encoding;
        m_needsLineBreak = file->endsInsideLine;
    }
    m_links.markSaved();
    recover();
}

void ShownLinksFile::recover() {
    const QList<QByteArray> parts = m_lock.record().split('\n');
    if (parts.size() < 4 || parts[0] != kRecordStart || parts[3] != kRecordEnd) return;
    const QString reportPath = QString::fromUtf8(parts[1]);
    const QString url = QString::fromUtf8(parts[2]);
    if (m_links.contains(url) || !QFileInfo::exists(reportPath)) return;
    const QByteArray last = CutPartLine(reportPath);
    // The line was written whole; only its link was not saved.
    if (last.contains("\"\t\"" + url.toUtf8() + "\"\t\"")) lineWritten(url);
}

void ShownLinksFile::beginLine(const QString& reportPath, const QString& url) {
    m_lock.setRecord(kRecordStart + '\n' + reportPath.toUtf8() + '\n' + url.toUtf8() + '\n' +
                     kRecordEnd + '\n');
    m_lineOpen = true;
}

void ShownLinksFile::lineWritten(const QString& url) {
    m_lineOpen = false;
    m_links.add(url);
    if (!m_links.changed()) return;  // a link differing only in letter case
    m_links.markSaved();
    append(url);
}

void ShownLinksFile::append(const QString& url) {
    if (!m_file.isOpen()) {
        m_file.setFileName(m_path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            ThrowFileWriteError(m_path, m_file.errorString());
    }
    QString text = url + QStringLiteral("\r\n");
    if (m_needsLineBreak) text.prepend(QStringLiteral("\r\n"));
    // The byte-order mark only at the start of a new file.
    const qsizetype markSize = m_exists ? EncodeText(QString(), m_encoding).size() : 0;
    const QByteArray bytes = EncodeText(text, m_encoding).mid(markSize);
    if (!WriteWhole(m_file, bytes)) ThrowFileWriteError(m_path, WriteFailureReason(m_file));
    m_exists = true;
    m_needsLineBreak = false;
    m_changed = true;
}

void ShownLinksFile::finish() {
    m_file.close();
    if (m_changed) {
        writeSorted();
        m_changed = false;
    }
    // A line whose writing failed may have left part of it: the next stage cuts it.
    if (!m_lineOpen) m_lock.setRecord({});
}

// The links sorted, written in chunks through a temporary file: the whole
// text and its encoded bytes are never held at once.
void ShownLinksFile::writeSorted() {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) ThrowFileWriteError(m_path, file.errorString());
    const qsizetype markSize = EncodeText(QString(), m_encoding).size();
    QString chunk;
    bool first = true;
    const auto flushChunk = [&] {
        const QByteArray bytes = EncodeText(chunk, m_encoding).mid(first ? 0 : markSize);
        first = false;
        chunk.clear();
        if (!WriteWhole(file, bytes)) {
            const QString reason = WriteFailureReason(file);
            file.cancelWriting();
            ThrowFileWriteError(m_path, reason);
        }
    };
    for (const QString& link : m_links.all()) {
        chunk += link;
        chunk += QStringLiteral("\r\n");
        if (chunk.size() >= kWriteChunkChars) flushChunk();
    }
    flushChunk();
    if (!file.commit()) ThrowFileWriteError(m_path, WriteFailureReason(file));
}

QByteArray CutPartLine(const QString& reportPath) {
    QFile file(reportPath);
    if (!file.open(QIODevice::ReadWrite)) ThrowFileWriteError(reportPath, file.errorString());
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - kTailBytes);
    file.seek(from);
    const QByteArray tail = file.readAll();
    qsizetype end = tail.size();
    if (!tail.endsWith('\n')) {
        end = tail.lastIndexOf('\n') + 1;
        if (end == 0 && from == 0) {
            // Not even the header was written whole.
            file.close();
            if (!QFile::remove(reportPath)) ThrowFileWriteError(reportPath, file.errorString());
            return {};
        }
        if (!file.resize(from + end)) ThrowFileWriteError(reportPath, file.errorString());
    }
    QByteArray whole = tail.left(end);
    while (whole.endsWith('\n') || whole.endsWith('\r'))
        whole.chop(1);
    return whole.mid(whole.lastIndexOf('\n') + 1);
}
