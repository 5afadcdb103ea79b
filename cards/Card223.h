#pragma once

#include "crawl/RunHooks.h"

#include <QString>

// The 223-FZ contract card ("contract-info.html?"). Stores the contract
// without INNs (StoreContract) on every route and queues, at the head, the one
// follow-up that can bring its suppliers: the card's supplier-info page, else
// the purchase notice of its general block, recording then in
// NoticeDocumentKeys which protocol attachment the notice path must download.
// Logs a plan position, or a general block with neither a plan position nor a
// notice. Store errors are not caught. Controller thread only.
void ParseCard223(HandlerContext& context, const FinishedJob& job);

// The attachment key of the card's basis section: the plain text after the
// fourth cell marker, else the number in the second cell (its first run of
// digits and hyphens, or the cell as cut when it has none).
QString AttachmentKey(const QString& html);
