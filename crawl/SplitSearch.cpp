#include "crawl/ResultList.h"

#include "platform/GeneralError.h"

#include <cstdlib>
#include <utility>

namespace {

constexpr QStringView kDateFormat = u"dd.MM.yyyy";

QDate ReadDate(const QString& text) {
    const QDate date = QDate::fromString(text, kDateFormat);
    if (!date.isValid())
        throw EGeneralError(QStringLiteral("'") + text + QStringLiteral("' не является датой"));
    return date;
}

// A price bound of the address: fallback when absent or empty, 0 when not a number.
qint64 ReadPrice(const QString& text, qint64 fallback) {
    return text.isEmpty() ? fallback : text.toLongLong();
}

// numerator / denominator rounded to the nearest integer, ties to the even one.
// In integers, so large price ranges round exactly.
quint64 RoundHalfEven(quint64 numerator, quint64 denominator) {
    const quint64 quotient = numerator / denominator;
    const quint64 twiceRemainder = 2 * (numerator % denominator);
    const bool up =
        twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0);
    return up ? quotient + 1 : quotient;
}

// The search's date range as texts: an open from-date starts at the earliest conclusion date
// the registries hold, an open to-date ends today.
std::pair<QString, QString> SearchDates(const ResultListContext& ctx, const QString& url,
                                        const PortalRegistryInfo& info) {
    QString fromText = QueryParamValue(url, info.dateFromName);
    if (fromText.isEmpty()) fromText = EarliestConclusionDate().toString(kDateFormat);
    QString toText = QueryParamValue(url, info.dateToName);
    if (toText.isEmpty()) toText = ctx.today.toString(kDateFormat);
    return {fromText, toText};
}

void QueueSplit(ResultListContext& ctx, const QString& job, QStringList& queued) {
    if (!ctx.queue.addHead(job)) return;
    ++ctx.progressBarMax;
    queued.append(job);
}

}  // namespace

bool SearchCanBeSplit(const ResultListContext& ctx, const QString& url) {
    const std::optional<PortalRegistry> registry = RegistryOfAddress(url);
    if (!registry) return true;  // splitting reports the unknown address
    const PortalRegistryInfo& info = RegistryInfo(*registry);
    const auto [fromText, toText] = SearchDates(ctx, url, info);
    if (fromText != toText) return true;
    const qint64 from = ReadPrice(QueryParamValue(url, info.priceFromName), kLowestPrice);
    const qint64 to = ReadPrice(QueryParamValue(url, info.priceToName), kHighestPrice);
    return from != to;
}

void SplitSearch(ResultListContext& ctx, const QString& url, qint64 recordCount) {
    const std::optional<PortalRegistry> registry = RegistryOfAddress(url);
    if (!registry)
        throw EGeneralError(QStringLiteral("адрес не относится ни к одному реестру: ") + url);
    const auto [fromText, toText] = SearchDates(ctx, url, RegistryInfo(*registry));
    const QStringList parts = fromText != toText
                                  ? SplitByDate(ctx, url, *registry, fromText, toText, recordCount)
                                  : SplitByPrice(ctx, url, *registry);
    if (ctx.splits) ctx.splits->recordSplit(url, recordCount, parts);
}

QStringList SplitByDate(ResultListContext& ctx, const QString& url, PortalRegistry registry,
                        const QString& fromText, const QString& toText, qint64 recordCount) {
    const PortalRegistryInfo& info = RegistryInfo(registry);
    const QDate from = ReadDate(fromText);
    const QDate to = ReadDate(toText);
    const quint64 days = static_cast<quint64>(std::abs(from.daysTo(to)));
    const quint64 parts = static_cast<quint64>(recordCount / kSplitThreshold + 1);
    const qint64 step = static_cast<qint64>(RoundHalfEven(days, parts));
    const QString base = DateSplitBase(url);
    // Each interval starts on the day after the previous one ends, so none overlap.
    QStringList queued;
    QDate a = from;
    QDate b = a.addDays(step);
    while (a <= to) {
        QueueSplit(ctx,
                   AppendRange(base, info.dateFromName, a.toString(kDateFormat), info.dateToName,
                               b.toString(kDateFormat)),
                   queued);
        a = b.addDays(1);
        b = a.addDays(step);
        if (b > to) b = to;
    }
    return queued;
}

QStringList SplitByPrice(ResultListContext& ctx, const QString& url, PortalRegistry registry) {
    const PortalRegistryInfo& info = RegistryInfo(registry);
    const qint64 from = ReadPrice(QueryParamValue(url, info.priceFromName), kLowestPrice);
    const qint64 to = ReadPrice(QueryParamValue(url, info.priceToName), kHighestPrice);
    QStringList queued;
    if (to < from) return queued;  // an empty range has nothing to search
    const QString base = PriceSplitBase(url);
    if (static_cast<quint64>(to) - static_cast<quint64>(from) == 1) {
        // The one range a step of 1 gives would be the search itself again.
        for (const qint64 price : {from, to})
            QueueSplit(ctx,
                       AppendRange(base, info.priceFromName, QString::number(price),
                                   info.priceToName, QString::number(price)),
                       queued);
        return queued;
    }
    // Unsigned differences: exact for any pair of bounds with from <= to.
    quint64 step = RoundHalfEven(static_cast<quint64>(to) - static_cast<quint64>(from), 10);
    // A range narrower than ten units gives a step of 0, with which the ranges
    // would stop advancing; a step of 1 still covers from..to in finitely many.
    if (step == 0 && to > from) step = 1;
    qint64 a = from;
    qint64 b = from + static_cast<qint64>(step);
    for (;;) {
        QueueSplit(ctx,
                   AppendRange(base, info.priceFromName, QString::number(a), info.priceToName,
                               QString::number(b)),
                   queued);
        if (b >= to) break;  // the next range would start above the upper bound
        a = b + 1;
        b = step >= static_cast<quint64>(to) - static_cast<quint64>(b)
                ? to
                : b + static_cast<qint64>(step);
    }
    return queued;
}
