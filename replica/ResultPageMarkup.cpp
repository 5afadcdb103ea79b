#include "replica/ResultPageMarkup.h"

#include <algorithm>

namespace {

constexpr const char* kPageStart = R"(<!DOCTYPE html>
<html lang="ru">
<head>
    <meta charset="UTF-8">
    <title>Реестр контрактов</title>
</head>
<body>
<div class="search-results">
)";

constexpr const char* kPageEnd = R"(
</div>
</body>
</html>
)";

// The form of "запись" that goes with the count, by the Russian rules for numerals.
const char* RecordsWord(qint64 count) {
    const qint64 lastTwo = count % 100;
    const qint64 last = count % 10;
    if (last == 1 && lastTwo != 11) return "запись";
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) return "записи";
    return "записей";
}

std::string TotalHtml(qint64 total) {
    return "<div class=\"search-results__total\">\n        \n            \n                " +
           RecordCountText(total) +
           "\n            \n            \n        \n    </div>\n</div>\n\n";
}

std::string PageItem(int number, bool active) {
    const std::string n = std::to_string(number);
    return std::string("            <li class=\"page\">\n                <a class=\"page__link") +
           (active ? " page__link_active" : "") + "\" href=\"javascript:goToPage(" + n +
           ")\" data-pagenumber=\"" + n + "\">\n                    <span class=\"link-text\">" +
           n + "</span>\n                </a>\n            </li>\n";
}

std::string DotsItem() {
    return "            <li class=\"page page_dots\">\n                <span>...</span>\n"
           "            </li>\n";
}

// The first page, the pages around the active one and the last, with dots over the gaps.
// The page after the active one is always the next "page" item, where the crawler reads it.
std::string PageItems(int page, int last) {
    const int from = std::max(1, page - 2);
    const int to = std::min(last, page + 2);
    std::string items;
    if (from > 1) items += PageItem(1, false) + (from > 2 ? DotsItem() : "");
    for (int number = from; number <= to; ++number)
        items += PageItem(number, number == page);
    if (to < last) items += (to < last - 1 ? DotsItem() : "") + PageItem(last, false);
    return items;
}

std::string ArrowLink(int target, bool previous) {
    const std::string n = std::to_string(target);
    return "        <a href=\"javascript:goToPage(" + n + ")\" class=\"paginator-button " +
           (previous ? "paginator-button-prev" : "paginator-button-next") +
           "\" data-pagenumber=\"" + n +
           "\">\n            <img src=\"/epz/static/img/icons/arrow-prime.svg\" alt=\"\"" +
           (previous ? " class=\"rotate180\"" : "") + ">\n        </a>\n";
}

std::string PaginatorHtml(int page, int last) {
    if (last <= 1) return {};
    std::string html =
        "\n<div class=\"paginator-block\">\n"
        "    <div class=\"paginator align-self-center m-0\">\n";
    if (page > 1) html += ArrowLink(page - 1, true);
    html += "        <ul class=\"pages\">\n" + PageItems(page, last) + "        </ul>\n";
    // The crawler takes this arrow as the sign that a page follows the active one.
    if (page < last) html += ArrowLink(page + 1, false);
    return html + "    </div>\n</div>\n";
}

}  // namespace

std::string ResultPageHtml(const ResultPageContent& content) {
    std::string html = kPageStart + TotalHtml(content.total);
    html += "<div class=\"search-registry-entrys-block\">\n";
    for (const SyntheticContract* contract : content.entries)
        html += ResultEntryHtml(*contract, content.baseUrl);
    html += "</div>\n" + PaginatorHtml(content.page, content.pagesShown);
    return html + kPageEnd;
}

std::string NoResultsPageHtml() {
    return std::string(kPageStart) +
           "<div class=\"search-registry-entrys-block\">\n"
           "    <div class=\"no-data-search\">\n"
           "        <p class=\"no-data-search__text\">Поиск не дал результатов</p>\n"
           "    </div>\n</div>\n" +
           kPageEnd;
}

std::string RecordCountText(qint64 count) {
    constexpr qint64 kExactBelow = 10000;
    if (count < kExactBelow) return GroupedNumber(count) + " " + RecordsWord(count);
    return "более " + GroupedNumber(count / 1000 * 1000) + " записей";
}

std::string GroupedNumber(qint64 value) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += "&nbsp;";
        text += digits[i];
    }
    return text;
}

std::string RublesText(qint64 rubles) {
    return GroupedNumber(rubles) + ",00 ₽";
}
