#include "cards/CardCapitalRepair.h"

#include "cards/CardCustomer.h"
#include "cards/CardFields.h"
#include "text/MarkerCuts.h"

void ParseCardCapitalRepair(HandlerContext& context, const FinishedJob& job) {
    // The block ends at the first "</div" after the heading; the INN label has
    // no colon on this card.
    const QString section = ExtractBetween(job.html, u"Информация о подрядчике</h2>", {}, u"</div");
    if (section.isEmpty()) {
        context.addLogLine(QStringLiteral("Ошибка? Нет информации о подрядчике ") + job.url);
        return;
    }
    TInnList inns;
    inns.add(CutValue(section, u"ИНН</span>", u"</span>"));
    const QString subject =
        CollapseSpaces(CutValue(job.html, u"Предмет электронного аукциона</div>", u"</div>"));
    const QString amount =
        NormalizeAmountText(CutValue(job.html, u"Цена договора</div>", u"</div>"));
    const QString execution = CutValue(job.html, u"Окончание исполнения</div>", u"</div>");
    const QString conclusion = CutValue(job.html, u"Заключение договора</div>", u"</div>");
    context.store.replaceContract(job.url, subject, amount, conclusion, execution, inns.items());
    StoreCardCustomer(context, job);
}
