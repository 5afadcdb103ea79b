#include "cards/NoticePath223.h"

#include "cards/BalancedClose.h"
#include "cards/CardFields.h"
#include "cards/FollowUps.h"
#include "cards/ForwardFinder.h"
#include "cards/TableCells.h"
#include "crawl/PortalSearch.h"
#include "fetch/JobString.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"

namespace {

constexpr QStringView kDocumentsPath = u"/epz/order/notice/notice223/documents.html?";
constexpr QStringView kBlockMarker = u"<div class=\"card-attachments__block";
constexpr QStringView kAttachmentMarker = u"<div class=\"attachment";
// A round drops the marker up to and including its "=", so attachments nested
// in this one are met in later rounds.
constexpr qsizetype kAttachmentStep = 11;

// The number the documents page is for, without later query parameters.
QString NoticeNumber(const QString& url) {
    const QString number = ExtractBetween(url, u"purchaseNoticeNumber=", {}, {});
    const qsizetype amp = number.indexOf(u'&');
    return amp < 0 ? number : number.left(amp);
}

// The attachments block that begins last before the protocols heading (at the
// 1-based position heading), up to (not including) its balancing "</div>";
// empty when there is none.
QStringView AttachmentsBlock(QStringView html, qsizetype heading) {
    const qsizetype start = LastPosBefore(kBlockMarker, html, heading);
    const qsizetype end = FindBalancedClose(html, u"<div", u"</div>", start);
    if (start == 0 || end == 0) return {};
    return html.sliced(start - 1, end - start);
}

// The first attachment of the block whose HTML, up to its balancing "</div>",
// contains the key. Keys and closes are found in one pass each, so a block of
// many nested or unclosed attachments costs no more than its length.
QStringView AttachmentWithKey(QStringView block, QStringView key) {
    TBalancedCloses closes(block, u"<div", u"</div>");
    TForwardFinder keys(block, key);
    for (qsizetype at = block.indexOf(kAttachmentMarker); at >= 0;
         at = block.indexOf(kAttachmentMarker, at + kAttachmentStep)) {
        const qsizetype close = closes.closeOf(at);
        if (close >= 0 && keys.within(at, close) >= 0) return block.sliced(at, close - at);
    }
    return {};
}

// The quoted attribute value around the first "/download/" of the attachment.
QString DownloadLink(QStringView attachment, qsizetype download) {
    const qsizetype open = LastPosBefore(u"\"", attachment, download + 1);
    const qsizetype close = attachment.indexOf(u'"', open);
    if (close < 0) return {};
    // An attribute value: its character references ("&amp;") are decoded.
    return HtmlDecode(attachment.sliced(open, close - open));
}

void QueueDownload(HandlerContext& context, const FinishedJob& job, QStringView attachment) {
    const qsizetype download = attachment.indexOf(u"/download/");
    if (download < 0) {
        context.addLogLine(QStringLiteral("Ошибка? Нет ссылки скачивания ") + job.url);
        return;
    }
    const QString link = PortalLink(DownloadLink(attachment, download));
    if (!link.isEmpty()) QueueFollowUp(context, link, job.canonical, PageKindDownload, job.url);
}

}  // namespace

void ParseNotice223(HandlerContext& context, const FinishedJob& job) {
    const QString marker = QStringLiteral("href=\"") + kDocumentsPath.toString();
    if (!job.html.contains(marker)) {
        context.addLogLine(QStringLiteral("Ошибка? Нет ссылки на документы ") + job.url);
        return;
    }
    const QString query = HtmlDecode(ExtractBetween(job.html, marker, {}, u"\""));
    if (query.isEmpty()) return;
    QueueFollowUp(context, PortalBase() + kDocumentsPath.toString() + query, job.canonical,
                  PageKindNoticeDocuments, job.url);
}

void ParseNoticeDocuments223(HandlerContext& context, const FinishedJob& job) {
    const qsizetype heading = job.html.indexOf(u">Протоколы работы комиссии<");
    if (heading < 0) {
        context.addLogLine(QStringLiteral("Ошибка? Нет секции Протоколы работы комиссии ") +
                           job.url);
        return;
    }
    const QString key = context.noticeDocumentKeys.value(NoticeNumber(job.url));
    if (key.isEmpty()) {
        context.addLogLine(QStringLiteral("Ошибка? Номер документа не определен ") + job.url);
        return;
    }
    const QStringView attachment = AttachmentWithKey(AttachmentsBlock(job.html, heading + 1), key);
    if (!attachment.isEmpty()) QueueDownload(context, job, attachment);
}

void ApplyDocumentInns(HandlerContext& context, const FinishedJob& job) {
    if (job.html.isEmpty()) {
        context.addLogLine(QStringLiteral("ИНН не найдены в файле ") + job.url);
        return;
    }
    context.addLogLine(QStringLiteral("ИНН найдены (") + job.html + QStringLiteral(") в файле ") +
                       job.url);
    QStringList pieces;
    SplitToList(job.html, u",", pieces);
    TInnList inns;
    for (const QString& inn : pieces)
        inns.add(inn);
    LinkInnsToCarried(context, job.canonical, inns.items());
}
