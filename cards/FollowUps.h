#pragma once

#include "crawl/RunHooks.h"

#include <QString>
#include <QStringList>

// What the card handlers hand on besides stored contracts: follow-up jobs at
// the head of the queue, INN links to a contract carried by a follow-up, and
// the lines of NoticeDocumentKeys (crawl/NoticeDocumentKeys.h). Controller
// thread only.

// The link with PortalBase in front when it is a path beginning with "/".
QString PortalLink(const QString& link);

// Inserts the link, in its one spelling (NormalizePortalAddress), + "|||" +
// carried at the head of the queue and raises the progress maximum by one,
// when the address is a page of the portal of the expected page kind (see
// IsPortalFollowUp). Otherwise logs
// "Ошибка? Недопустимая ссылка " + pageUrl and queues nothing. True when queued.
bool QueueFollowUp(HandlerContext& context, const QString& address, const QString& carried,
                   int expectedKind, const QString& pageUrl);

// True for a safe portal address (IsSafePortalAddress) that leads to a page of
// the expected kind.
bool IsPortalFollowUp(const QString& address, int expectedKind);

// Links the INNs to the contract stored under carried. A contract that is not
// stored (a follow-up that lost its card address) is logged as
// "Ошибка? URL не найден в базе: " + carried instead of raising, which would
// make the controller retry the same job for ever.
void LinkInnsToCarried(HandlerContext& context, const QString& carried, const QStringList& inns);
