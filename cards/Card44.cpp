#include "cards/Card44.h"

#include "cards/CardCustomer.h"
#include "cards/CardFields.h"
#include "cards/TableCells.h"
#include "text/MarkerCuts.h"

namespace {

// The value under the "</div>" form of a label, else under its "</span>" form:
// the card shows some fields in one form, some in the other.
QString CutDivOrSpan(QStringView html, QStringView label) {
    const QString div = label.toString() + QStringLiteral("</div>");
    const QString value = CutValue(html, div, u"</div>");
    if (!value.isEmpty()) return value;
    return CutValue(html, label.toString() + QStringLiteral("</span>"), u"</span>");
}

// The INN of every row of the supplier table body; a row without the label
// gives an empty entry, which the store skips.
TInnList SupplierInns(QStringView body) {
    static constexpr QStringView kLabel = u"ИНН:</span>";
    TInnList inns;
    TTableRows rows(body);
    TForwardFinder labels(body, kLabel);
    TForwardFinder ends(body, u"</span>");
    qsizetype seenFirst = -2;
    qsizetype seenLast = -2;
    while (rows.next()) {
        qsizetype first = -1;
        qsizetype last = -1;
        const qsizetype label = labels.within(rows.begin(), rows.end());
        const qsizetype end = label < 0 ? -1 : ends.within(label + kLabel.size(), rows.end());
        if (end >= 0) {
            first = label + kLabel.size();
            last = end;
        }
        // Rows opened inside a row share its end and mostly its value; cleaning
        // it once keeps nested markup from costing time by the square.
        if (first == seenFirst && last == seenLast) continue;
        seenFirst = first;
        seenLast = last;
        inns.add(first < 0 ? QString() : CleanValue(body.sliced(first, last - first)));
    }
    return inns;
}

}  // namespace

void ParseCard44(HandlerContext& context, const FinishedJob& job) {
    const QString section =
        ExtractBetween(job.html, u"Информация о поставщиках</h2>", {}, u"</table>");
    if (section.isEmpty()) {
        context.addLogLine(QStringLiteral("Ошибка? Нет информации о поставщиках ") + job.url);
        return;
    }
    const TInnList inns = SupplierInns(ExtractBetween(section, u"<tbody", {}, u"</tbody>"));
    const QString subject = CollapseSpaces(CutValue(job.html, u"Объекты закупки</div>", u"</div>"));
    const QString amount = NormalizeAmountText(CutDivOrSpan(job.html, u"Цена контракта"));
    const QString execution = CutDivOrSpan(job.html, u"Срок исполнения");
    const QString conclusion = CutDivOrSpan(job.html, u"Заключение контракта");
    context.store.replaceContract(job.url, subject, amount, conclusion, execution, inns.items());
    StoreCardCustomer(context, job);
}
