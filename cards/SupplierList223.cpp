#include "cards/SupplierList223.h"

#include "cards/CardFields.h"
#include "cards/FollowUps.h"
#include "cards/TableCells.h"
#include "text/MarkerCuts.h"

namespace {

// A supplier cell this long holds no INN. Rows opened inside other rows end at
// one "</tr>" and give cells that are tails of each other; not cleaning the
// long ones keeps such a table from costing time by the square of its size.
constexpr qsizetype kMaxInnCellLength = 10000;

}  // namespace

void ParseSupplierList223(HandlerContext& context, const FinishedJob& job) {
    const QString section = ExtractBetween(
        job.html, u"Сведения о поставщиках (подрядчиках, исполнителях)</h2>", {}, u"</table>");
    if (section.isEmpty()) {
        context.addLogLine(QStringLiteral("Ошибка? Нет сведений о поставщиках ") + job.url);
        return;
    }
    // Without an INN header cell every row gives an empty value: no links.
    const int column = FindInnColumn(ExtractBetween(section, u"<thead>", {}, u"</thead>"));
    TInnList inns;
    ForEachColumnCell(ExtractBetween(section, u"<tbody", {}, u"</tbody>"), column,
                      [&inns](QStringView cell) {
                          if (cell.size() <= kMaxInnCellLength) inns.add(CleanValue(cell));
                      });
    LinkInnsToCarried(context, job.canonical, inns.items());
}
