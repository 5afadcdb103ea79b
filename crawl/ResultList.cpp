#include "crawl/ResultList.h"

#include "platform/GeneralError.h"
#include "store/SQLiteWrap.h"
#include "text/HtmlText.h"
#include "text/LogExcerpt.h"
#include "text/MarkerCuts.h"
#include "text/TrimControls.h"

#include <limits>
#include <optional>

namespace {

constexpr QStringView kTotalMarker = u"search-results__total\">";
constexpr QStringView kNoResults = u">Поиск не дал результатов<";
constexpr QStringView kRecordsWord = u" запис";
constexpr QStringView kEntryMarker = u"<div class=\"search-registry-entry-block";
constexpr QStringView kNextArrow = u"arrow-prime.svg\" alt=\"\">";
// Each pass of the entry walk consumes the page up to this far into the entry marker.
constexpr qsizetype kEntryStep = 11;

// Where the page's total text lies (between the marker and " запис"); none without a count.
std::optional<std::pair<qsizetype, qsizetype>> TotalTextSpan(QStringView page) {
    const qsizetype marker = page.indexOf(kTotalMarker);
    if (marker < 0) return std::nullopt;
    const qsizetype start = marker + kTotalMarker.size();
    const qsizetype end = page.indexOf(kRecordsWord, start);
    if (end < 0) return std::nullopt;
    return std::make_pair(start, end);
}

// The trimmed total text of the page, or none (logged) when the page reports no count.
std::optional<QString> ReadTotalText(ResultListContext& ctx, const QString& url, QStringView page) {
    qsizetype marker = page.indexOf(kTotalMarker);
    const bool noResults = page.contains(kNoResults);
    if (marker < 0 && !noResults) {
        // Neither a count nor the portal's "nothing found": a maintenance or broken page,
        // whose cards this run cannot see. Logged also after a split, unlike empty searches.
        ctx.addLogLine(QStringLiteral("Ошибка? Страница без списка результатов: ") + url);
        if (ctx.searchPageLost) ctx.searchPageLost(url);
        return std::nullopt;
    }
    if (noResults) marker = -1;
    if (marker < 0) {
        // After the first split many narrow searches are empty; their lines would flood the log.
        if (!ctx.splitStarted)
            ctx.addLogLine(QStringLiteral("Поиск с данными параметрами не дал результатов: ") +
                           url + QStringLiteral("\r\n"));
        return std::nullopt;
    }
    const auto span = TotalTextSpan(page);
    if (!span) {
        ctx.addLogLine(QStringLiteral("Не найдено количество записей: ") + url +
                       QStringLiteral("\r\n"));
        if (ctx.searchPageLost) ctx.searchPageLost(url);
        return std::nullopt;
    }
    return TrimControls(HtmlToText(page.mid(span->first, span->second - span->first)));
}

void LogSplit(ResultListContext& ctx) {
    ctx.addLogLine(
        QStringLiteral("Разбиваем длинный интервал на несколько мелких, с текущей ссылки "
                       "контракты не собираем."));
}

// Splits the held parts that turned out to work after all, and walks the
// search whose every part showed its whole total.
void ApplyVerdict(ResultListContext& ctx, const SplitTracker::Verdict& verdict) {
    for (const SplitTracker::HeldPart& part : verdict.release) {
        LogSplit(ctx);
        SplitSearch(ctx, part.url, part.total);
    }
    if (!verdict.walk) return;
    if (ctx.splits->firstIgnoredFilter()) {
        ctx.addLogLine(QStringLiteral("Портал не применяет фильтр поиска: все части разбиения "
                                      "нашли столько же записей, сколько весь поиск. Собираем "
                                      "страницы поиска без разбиения: ") +
                       *verdict.walk);
    }
    ctx.queue.addHeadAgain(*verdict.walk);
    ++ctx.progressBarMax;
}

// What the record of splits makes of a first page's total; true when the page
// is held back (neither split nor walked for now).
bool HeldBySplits(ResultListContext& ctx, const QString& url, std::optional<qint64> count) {
    if (!ctx.splits || ctx.splits->isWalked(url)) return false;
    const SplitTracker::Verdict verdict = ctx.splits->report(url, count);
    ApplyVerdict(ctx, verdict);
    return verdict.hold;
}

// What the search by INN's check makes of a first page's total; true when the
// page is held back for the registry's unfiltered total or dropped.
bool HeldBySupplierCheck(ResultListContext& ctx, const QString& url, qint64 count) {
    if (!ctx.supplierCheck) return false;
    const SupplierSearchCheck::FirstPage answer = ctx.supplierCheck->firstPage(url, count);
    if (!answer.logLine.isEmpty()) ctx.addLogLine(answer.logLine);
    if (!answer.probe.isEmpty() && ctx.queue.addHead(answer.probe)) ++ctx.progressBarMax;
    return answer.action != SupplierSearchCheck::FirstPage::Go;
}

// Splits a search too large to walk, or walks it when it cannot be split.
bool SplitLargeSearch(ResultListContext& ctx, const QString& url, qint64 count) {
    if (!SearchCanBeSplit(ctx, url)) {
        // The narrowest search there is: walk the pages the portal shows of it.
        ctx.addLogLine(
            QStringLiteral("Поиск нельзя разбить дальше, собираем доступные страницы: ") + url);
        return false;
    }
    ctx.splitStarted = true;
    LogSplit(ctx);
    SplitSearch(ctx, url, count);
    return true;
}

// The registry's unfiltered total came back: the held searches it clears go on.
void AnswerProbe(ResultListContext& ctx, const QString& url, std::optional<qint64> total) {
    if (total) {
        ctx.addLogLine(url + QStringLiteral("\r\nВсего в реестре без фильтра по поставщику: ") +
                       QString::number(*total) + QStringLiteral(" записей"));
    }
    QStringList lines;
    const auto released = ctx.supplierCheck->probeAnswered(url, total, lines);
    for (const QString& line : lines)
        ctx.addLogLine(line);
    for (const SupplierSearchCheck::Release& search : released) {
        // A search that cannot be split needs its page again to be walked.
        if (!SplitLargeSearch(ctx, search.url, search.total)) {
            ctx.queue.addHeadAgain(search.url);
            ++ctx.progressBarMax;
        }
    }
}

// Logs the count of a first page and splits the search when it is too large to walk.
bool SplitIfTooLarge(ResultListContext& ctx, const QString& url, const QString& totalText) {
    ctx.addLogLine(url + QStringLiteral("\r\nНашлось ") + LogExcerpt(totalText) +
                   QStringLiteral(" записей"));
    const qint64 count = ReadRecordCount(totalText);
    if (HeldBySupplierCheck(ctx, url, count)) return true;
    if (HeldBySplits(ctx, url, count)) return true;
    if (count < kSplitThreshold) return false;
    if (ctx.splits && ctx.splits->isWalked(url)) return false;  // splitting proved useless
    return SplitLargeSearch(ctx, url, count);
}

void QueueCard(ResultListContext& ctx, const QString& url, QStringView entry) {
    // An attribute value: "&amp;" in it stands for "&" (the portal gets the address decoded).
    QString address =
        HtmlDecode(ExtractBetween(entry, u"registry-entry__header-mid__number", u"href=\"", u"\""));
    if (address.isEmpty()) return;
    if (address.startsWith(u'/')) address.prepend(PortalBase());
    address = NormalizePortalAddress(address);
    // A card listed for two INNs counts for both searches, though it is queued once.
    if (ctx.supplierCheck && IsSafePortalAddress(address))
        ctx.supplierCheck->cardListed(url, address);
    // Listed again in this run (on this page or another): queued once, logged once.
    if (ctx.queue.wasOffered(address)) return;
    // A link to another host (or one that would break the job string) is never fetched.
    if (!IsSafePortalAddress(address)) {
        ctx.queue.remember(address);
        ctx.addLogLine(QStringLiteral("Ошибка? Недопустимая ссылка на карточку в ") + url +
                       QStringLiteral(": ") + TrimControls(address.left(200)));
        return;
    }
    if (ctx.isUrlStored(address)) {
        ctx.queue.remember(address);
        ctx.addLogLine(QStringLiteral("URL обработан ранее: ") + address);
        return;
    }
    ctx.queue.addTail(address);
    ++ctx.progressBarMax;
    ++ctx.tendersCounter;
}

// Queues the card of every entry block; gives the offset where the walk left
// the page, which is where the page links are looked for.
qsizetype QueueCards(ResultListContext& ctx, const QString& url, QStringView page) {
    qsizetype rest = 0;
    for (;;) {
        const qsizetype entry = page.indexOf(kEntryMarker, rest);
        if (entry < 0) return rest;
        qsizetype next = page.indexOf(kEntryMarker, entry + 1);
        if (next < 0) next = page.size();
        rest = entry + kEntryStep;
        QueueCard(ctx, url, page.mid(entry, next - entry));
    }
}

void QueueNextPage(ResultListContext& ctx, const QString& url, QStringView rest) {
    if (!rest.contains(kNextArrow)) return;
    const QString following =
        ExtractBetween(rest, u"page__link_active", u"<li class=\"page\">", u"</li>");
    const QString number = ExtractBetween(following, u"goToPage(", u"", u")");
    // The arrow without a following page link names no page; an address ending
    // in "&pageNumber=" would only fetch an undefined page again.
    if (number.isEmpty()) return;
    // A page naming itself (or an earlier page) as the next is not fetched again.
    if (ctx.queue.addTail(NextPageAddress(url, number))) ++ctx.progressBarMax;
}

void ParsePage(ResultListContext& ctx, const QString& url, QStringView page) {
    if (ctx.supplierCheck && ctx.supplierCheck->isProbe(url)) {
        AnswerProbe(ctx, url, PageRecordCount(page));
        return;
    }
    qsizetype rest = 0;
    if (const std::optional<QString> total = ReadTotalText(ctx, url, page)) {
        if (IsFirstPage(url) && SplitIfTooLarge(ctx, url, *total)) {
            // The narrower searches replace this one: neither its cards nor its next page.
            ctx.updateTendersCounter();
            return;
        }
        rest = QueueCards(ctx, url, page);
        ctx.updateTendersCounter();
    } else if (IsFirstPage(url)) {
        // The portal's "nothing found" is a total of 0 for the search by INN's account.
        if (ctx.supplierCheck && page.contains(kNoResults)) ctx.supplierCheck->firstPage(url, 0);
        HeldBySplits(ctx, url, std::nullopt);
    }
    QueueNextPage(ctx, url, page.mid(rest));
}

// The same error line for every failure of a page's handling.
template <typename Body>
void Guarded(ResultListContext& ctx, const QString& url, Body body) {
    QString message;
    try {
        body();
        return;
    } catch (const ESQLiteException&) {
        // The database failed, not the page: the controller pauses and reads
        // the same page again, rather than losing its cards.
        throw;
    } catch (const EGeneralError& error) {
        message = error.message();
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    }
    ctx.addLogLine(QStringLiteral("Ошибка при обработке данных для ") + url + QStringLiteral(": ") +
                   message);
    if (ctx.searchPageLost) ctx.searchPageLost(url);
}

}  // namespace

void ParseResultList(ResultListContext& ctx, const QString& url, const QString& html) {
    Guarded(ctx, url, [&] { ParsePage(ctx, url, html); });
}

void ResultPageNotRead(ResultListContext& ctx, const QString& url) {
    if (ctx.supplierCheck && ctx.supplierCheck->isProbe(url)) {
        Guarded(ctx, url, [&] { AnswerProbe(ctx, url, std::nullopt); });
        return;
    }
    if (!IsFirstPage(url)) return;
    Guarded(ctx, url, [&] { HeldBySplits(ctx, url, std::nullopt); });
}

std::optional<qint64> PageRecordCount(QStringView page) {
    if (page.contains(kNoResults)) return 0;
    const auto span = TotalTextSpan(page);
    if (!span) return std::nullopt;
    return ReadRecordCount(HtmlToText(page.mid(span->first, span->second - span->first)));
}

qint64 ReadRecordCount(QStringView totalText) {
    constexpr qint64 kCeiling = std::numeric_limits<qint64>::max() / 10 - 10;
    qint64 count = 0;
    for (QChar c : totalText) {
        if (c < u'0' || c > u'9') continue;
        count = count * 10 + (c.unicode() - u'0');
        if (count > kCeiling) return kCeiling;
    }
    return count;
}
