#include "cards/FollowUps.h"

#include "crawl/PortalSearch.h"
#include "fetch/JobString.h"

QString PortalLink(const QString& link) {
    return link.startsWith(u'/') ? PortalBase() + link : link;
}

// A follow-up is fetched and then handed to the handler of its page kind: an
// address of another host, or one that the worker would take for a card or a
// result list, could lead the run off the portal or round in a circle.
bool IsPortalFollowUp(const QString& address, int expectedKind) {
    return IsSafePortalAddress(address) && PageKindOfUrl(address) == expectedKind;
}

bool QueueFollowUp(HandlerContext& context, const QString& link, const QString& carried,
                   int expectedKind, const QString& pageUrl) {
    const QString address = NormalizePortalAddress(link);
    if (!IsPortalFollowUp(address, expectedKind)) {
        context.addLogLine(QStringLiteral("Ошибка? Недопустимая ссылка ") + pageUrl);
        return false;
    }
    // Queued once in a run; a job handled again after an error finds it queued
    // already, and it still counts as the contract's follow-up.
    if (context.queue.addHead(address + QStringLiteral("|||") + carried)) ++context.progressBarMax;
    ++context.followUpsQueued;
    return true;
}

void LinkInnsToCarried(HandlerContext& context, const QString& carried, const QStringList& inns) {
    if (!context.store.isUrlStored(carried)) {
        context.addLogLine(QStringLiteral("Ошибка? URL не найден в базе: ") + carried);
        return;
    }
    context.store.linkInnsToUrl(carried, inns);
}
