#pragma once

#include "crawl/RunHooks.h"

// The capital-repair card ("general-info.html?"): the contractor's INN (the
// first in its block), the auction subject, price, end of execution and
// conclusion date, stored at once with ReplaceContract. A card without the
// contractor section is logged as "Ошибка? Нет информации о подрядчике " +
// address and not stored. Store errors are not caught. Controller thread only.
void ParseCardCapitalRepair(HandlerContext& context, const FinishedJob& job);
