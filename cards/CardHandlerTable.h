#pragma once

#include "crawl/RunHooks.h"

// The table of this subsystem's handlers for the controller's dispatch: the
// three contract cards, the 223-FZ supplier list and the purchase-notice path.
CardHandlers MakeCardHandlers();
