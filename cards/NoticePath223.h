#pragma once

#include "crawl/RunHooks.h"

// The purchase-notice path of a 223-FZ contract whose card names no supplier:
// notice page -> its documents page -> the download of the commission
// protocol attachment -> the INNs found in it. Every job of the path carries
// the contract card address in canonical. Each step that misses its part logs
// one "Ошибка? " line with the page address and ends the path. Controller
// thread only; store errors are not caught.

// The notice page: queues its documents page at the head.
void ParseNotice223(HandlerContext& context, const FinishedJob& job);

// The documents page: queues the download of the first attachment of the
// commission-protocols block that contains the contract's attachment key
// (looked up in NoticeDocumentKeys by the page's purchaseNoticeNumber).
void ParseNoticeDocuments223(HandlerContext& context, const FinishedJob& job);

// A converted download: html holds the INNs found, joined with ","; logs them
// (or that there were none) and links them to the contract.
void ApplyDocumentInns(HandlerContext& context, const FinishedJob& job);
