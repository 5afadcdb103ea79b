#include "cards/Card223.h"

#include "cards/CardCustomer.h"
#include "cards/CardFields.h"
#include "cards/FollowUps.h"
#include "crawl/PortalSearch.h"
#include "fetch/JobString.h"
#include "text/HtmlText.h"
#include "text/MarkerCuts.h"
#include "text/TPcrePattern.h"

namespace {

constexpr QStringView kSupplierPath = u"/epz/contractfz223/card/supplier-info.html";
constexpr QStringView kCellMarker = u"table_info\">";

void FollowSupplierList(HandlerContext& context, const FinishedJob& job) {
    const QString marker = u'"' + kSupplierPath.toString();
    // Links are attribute values: their character references ("&amp;") are decoded.
    const QString rest = HtmlDecode(ExtractBetween(job.html, marker, {}, u"\""));
    if (rest.isEmpty()) return;
    QueueFollowUp(context, PortalBase() + kSupplierPath.toString() + rest, job.url,
                  PageKindSupplierList223, job.url);
}

// The notice key is everything after the first "=" of the notice address,
// later query parameters included.
void FollowNotice(HandlerContext& context, const FinishedJob& job, const QString& general) {
    const QString link = PortalLink(HtmlDecode(ExtractBetween(general, u"href=\"", {}, u"\"")));
    if (link.isEmpty()) return;
    if (!QueueFollowUp(context, link, job.url, PageKindNotice223, job.url)) return;
    context.noticeDocumentKeys.append(ExtractBetween(link, u"=", {}, {}) + u'=' +
                                      AttachmentKey(job.html));
}

void FollowNoticeOrPlan(HandlerContext& context, const FinishedJob& job) {
    const QString general = ExtractBetween(job.html, u"Общая информация</h2>", {}, u"</div>");
    if (general.contains(u"Позиция плана закупки")) {
        context.addLogLine(
            QStringLiteral("Обнаружена позиция плана закупки, поставщик неизвестен ") + job.url);
    } else if (general.contains(u"Извещение о закупке</span>")) {
        FollowNotice(context, job, general);
    } else {
        context.addLogLine(
            QStringLiteral("Ошибка? Нет позиции плана закупки и нет извещения о закупке ") +
            job.url);
    }
}

// The first run of at least three digits and hyphens that begins and ends
// with a digit, or the text unchanged when it has none.
QString NumberRun(const QString& cell) {
    static const TPcrePattern pattern(uR"([\d][\d\-]+[\d])");
    const QString run = pattern.firstMatch(cell);
    return run.isEmpty() ? cell : run;
}

}  // namespace

QString AttachmentKey(const QString& html) {
    const QString basis =
        ExtractBetween(html, u"Основание для заключения договора</h2>", {}, u"</section>");
    QString tail = ExtractBetween(basis, kCellMarker, {}, {});
    const QString number = NumberRun(ExtractBetween(tail, kCellMarker, {}, u"</"));
    tail = ExtractBetween(tail, kCellMarker, {}, {});
    tail = ExtractBetween(tail, kCellMarker, {}, {});
    const QString key = CleanValue(ExtractBetween(tail, kCellMarker, {}, {}));
    return key.isEmpty() ? number : key;
}

void ParseCard223(HandlerContext& context, const FinishedJob& job) {
    if (job.html.contains(u'"' + kSupplierPath.toString()))
        FollowSupplierList(context, job);
    else
        FollowNoticeOrPlan(context, job);
    // Marked before the contract is stored: a run that ends before the
    // follow-up is handled leaves the card to be opened again next time.
    if (context.followUpsQueued > 0) context.store.markFollowUpPending(job.url);
    const QString subject =
        CollapseSpaces(CutValue(job.html, u"Предмет договора</span>", u"</span>"));
    const QString amount =
        NormalizeAmountText(CutValue(job.html, u"Цена договора</div>", u"</div>"));
    const QString execution = CleanValue(
        ExtractBetween(job.html, u"Срок исполнения</div>", u"&nbsp;&mdash;&nbsp;", u"</div>"));
    const QString conclusion = CutValue(job.html, u"Заключение договора</div>", u"</div>");
    context.store.storeContract(job.url, subject, amount, conclusion, execution);
    StoreCardCustomer(context, job);
}
