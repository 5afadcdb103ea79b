#include "fetch/DownloadedDocument.h"

#include "platform/ExternalPrograms.h"
#include "platform/GeneralError.h"
#include "text/DocumentInns.h"
#include "text/LogExcerpt.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qsizetype kMaxNameLength = 80;

// Deletes the saved document however its conversion ends.
class FileRemover {
public:
    explicit FileRemover(QString path) : m_path(std::move(path)) {}
    ~FileRemover() { QFile::remove(m_path); }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;

private:
    QString m_path;
};

void saveDocument(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size() ||
        !file.flush()) {
        throw EGeneralError(QStringLiteral("Не удалось сохранить документ %1: %2")
                                .arg(path, RussianSystemReason(file.errorString())));
    }
}

DownloadOutcome convertDocument(const DownloadContext& context, const QByteArray& disposition,
                                const QByteArray& body) {
    const QString d = QString::fromUtf8(disposition);
    const qsizetype dot = d.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return {QString(), QStringLiteral("ошибка: нет расширения файла")};
    const QString ext = d.mid(dot + 1).remove(QLatin1Char('"'));
    if (ext != QLatin1String("pdf")) {
        return {QString(), QStringLiteral("ошибка: неподдерживаемый формат ") + ext};
    }
    const QString path = context.programDir + DownloadFileName(context.url, context.uniqueTag, ext);
    FileRemover remover(path);
    saveDocument(path, body);
    const DocumentInnsResult found = FindDocumentInnsDetailed(
        path, ConverterPath(context.programDir, QStringLiteral("pdftotext")),
        ConverterPath(context.programDir, QStringLiteral("pdftoppm")), context.tesseractExe, {},
        context.stop);
    if (found.inns.isEmpty() && !found.failure.isEmpty()) {
        const QString cut = found.cut.isEmpty() ? QString() : QStringLiteral("; ") + found.cut;
        return {QString(),
                QStringLiteral("документ не прочитан: ") + found.failure + cut +
                    QStringLiteral("; договор будет проверен снова при следующем запуске"),
                DocumentInnsResult::None};
    }
    // The status begins with "успешно" whenever the INNs found are applied.
    const QString cut =
        found.cut.isEmpty() ? QString() : QStringLiteral("; прочитано не всё: ") + found.cut;
    return {found.inns.join(QLatin1Char(',')), QStringLiteral("успешно") + cut, found.source};
}

}  // namespace

std::optional<DownloadOutcome> ProcessDownload(const DownloadContext& context,
                                               const QByteArray& contentType,
                                               const QByteArray& contentDisposition,
                                               const QByteArray& body) {
    if (contentType.contains("text")) {
        const QString text = QString::fromUtf8(body);
        // The refusal's message is the job's status, which the log quotes.
        return DownloadOutcome{text, LogExcerpt(MessageMember(text))};
    }
    if (contentType.contains("application/download")) {
        return convertDocument(context, contentDisposition, body);
    }
    return std::nullopt;
}

QString MessageMember(const QString& text) {
    static const QString marker = QStringLiteral("\"message\":\"");
    const qsizetype start = text.indexOf(marker);
    if (start < 0) return {};
    const qsizetype from = start + marker.size();
    const qsizetype end = text.indexOf(QLatin1Char('"'), from);
    if (end < 0) return {};
    return text.mid(from, end - from);
}

// The address comes from a page and is not to be trusted: only ASCII letters,
// digits, "-" and "_" of it reach the file name, so no name can climb out of
// the program's folder or name a device.
QString DownloadFileName(const QString& url, const QString& uniqueTag, const QString& ext) {
    const qsizetype at = url.indexOf(QLatin1String("uid="));
    QString base = at < 0 ? QString() : url.mid(at + 4).left(kMaxNameLength);
    for (QChar& c : base) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                          (u >= u'0' && u <= u'9') || u == u'-' || u == u'_';
        if (!safe) c = QLatin1Char('_');
    }
    if (base.isEmpty()) base = QStringLiteral("document");
    if (!uniqueTag.isEmpty()) base += QLatin1Char('-') + uniqueTag;
    return base + QLatin1Char('.') + ext;
}
