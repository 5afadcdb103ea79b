#pragma once

#include "crawl/RunHooks.h"

// The 223-FZ supplier-info page, a follow-up of the card: the INN column of
// every supplier row, linked to the card address the job carries
// (canonical). A page without the supplier section is logged as
// "Ошибка? Нет сведений о поставщиках " + page address. Controller thread only.
void ParseSupplierList223(HandlerContext& context, const FinishedJob& job);
