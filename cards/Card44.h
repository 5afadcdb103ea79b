#pragma once

#include "crawl/RunHooks.h"

// The 44-FZ contract card ("contractCard/common-info.html?"): every supplier
// row's INN, the subject, price, execution and conclusion dates, stored at
// once with ReplaceContract. A card without its supplier section is logged as
// "Ошибка? Нет информации о поставщиках " + address and not stored. Store
// errors are not caught. Controller thread only.
void ParseCard44(HandlerContext& context, const FinishedJob& job);
