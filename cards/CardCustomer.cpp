#include "cards/CardCustomer.h"

#include "cards/CardFields.h"
#include "crawl/RunHooks.h"
#include "text/MarkerCuts.h"

namespace {

struct Label {
    qsizetype end = -1;    // where the label's closing tag ends
    QStringView closeTag;  // "</span>" or "</div>"
};

// The earlier of the label's two forms.
Label FindLabel(QStringView html) {
    Label found;
    for (QStringView close : {QStringView(u"</span>"), QStringView(u"</div>")}) {
        const QString marker = QStringLiteral("Заказчик") + close.toString();
        const qsizetype at = html.indexOf(marker);
        if (at >= 0 && (found.end < 0 || at + marker.size() < found.end)) {
            found.end = at + marker.size();
            found.closeTag = close;
        }
    }
    return found;
}

bool DigitsOnly(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (!c.isDigit()) return false;
    }
    return true;
}

QString LinkInn(QStringView anchorTag) {
    const QString inn = ExtractBetween(anchorTag, u"inn=", {}, u"\"");
    return DigitsOnly(inn) ? inn : QString();
}

}  // namespace

CardCustomer ReadCardCustomer(QStringView html) {
    CardCustomer customer;
    const Label label = FindLabel(html);
    if (label.end < 0) return customer;
    const QStringView rest = html.sliced(label.end);
    QString linkInn;
    const qsizetype anchor = rest.indexOf(u"<a ");
    const qsizetype anchorEnd = rest.indexOf(u"</a>");
    if (anchor >= 0 && anchor < anchorEnd && CleanValue(rest.first(anchor)).isEmpty()) {
        const QStringView link = rest.sliced(anchor, anchorEnd - anchor);
        const qsizetype tagEnd = link.indexOf(u'>');
        if (tagEnd >= 0) {
            customer.name = CollapseSpaces(CleanValue(link.sliced(tagEnd + 1)));
            linkInn = LinkInn(link.first(tagEnd));
        }
    } else {
        customer.name = CollapseSpaces(CutValue(rest, {}, label.closeTag));
    }
    const QString block = ExtractBetween(html, u"Информация о заказчике</h2>", {}, u"</h2>");
    const QString blockInn = CutValue(block, u"ИНН</span>", u"</span>");
    customer.inn = DigitsOnly(blockInn) ? blockInn : linkInn;
    return customer;
}

void StoreCardCustomer(HandlerContext& context, const FinishedJob& job) {
    const CardCustomer customer = ReadCardCustomer(job.html);
    context.store.setCustomer(job.url, customer.name, customer.inn);
}
