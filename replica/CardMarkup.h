#pragma once

#include <string>
#include <vector>

// Contract cards and their follow-up pages in the markup the card handlers
// read, written with the real portal's habits: labels and values in separate
// elements over several indented lines, "&nbsp;" and numeric references,
// quotes as "&#034;", single-quoted tooltip attributes, relative and absolute
// links. Plain C++ over UTF-8 texts, so the portal replica can serve them.

// Contract values as a card shows them. Texts are plain and escaped on output,
// except amountText, which is written as given (see CardPriceText).
struct CardMarkupValues {
    std::string subject;
    std::string amountText;
    std::string conclusionDate;  // "dd.mm.yyyy"
    std::string executionDate;   // "dd.mm.yyyy"; the end of the period on a 223-FZ card
    std::vector<std::string> inns;
    // The suppliers' names beside their INNs; where one is missing the card shows a stock name.
    std::vector<std::string> supplierNames;
    // The customer: a link under the label «Заказчик» of the card's header
    // block (of the general block on a 223-FZ card), the INN in the block
    // «Информация о заказчике» of a 44-FZ card and in the link of a 223-FZ card.
    std::string customer = "АО \"ЗАКАЗЧИК\"";
    std::string customerInn = "3903007130";
};

// A price with its digit groups joined by "&#160;" and a "&#160;₽" after it,
// "1&#160;234&#160;567,89&#160;₽", which the handlers read as a number. (A
// "&nbsp;" reads as an ordinary space, and a price grouped with those does not.)
std::string CardPriceText(long long rubles, int kopecks);

// A 44-FZ card: one supplier row per INN; the price and the dates in the
// "</span>" form of their labels when spanLabels is set.
std::string Card44Page(const CardMarkupValues& values, bool spanLabels = false);

// A capital-repair card naming the first INN (or none) as its contractor.
std::string CapitalRepairCardPage(const CardMarkupValues& values);

// What a 223-FZ card links to. The supplier-info link is shown when
// supplierListQuery is set; the general block shows a plan position when
// planPosition is set, else the purchase notice when noticeLink is set.
struct Card223Links {
    std::string supplierListQuery;  // after the path, e.g. "?id=7&amp;viewMode=FULL"
    std::string noticeLink;         // relative or absolute
    bool planPosition = false;
    std::string executionStart = "01.01.2024";  // start of the execution period
    std::string basisName;  // second cell of the basis section, e.g. "Протокол № 3261-01"
    std::string basisNumber;  // fourth cell: the attachment key when not empty
};

// A 223-FZ card; values.inns are not shown (its INNs come from follow-ups).
std::string Card223Page(const CardMarkupValues& values, const Card223Links& links);

// A 223-FZ supplier-info page: a table of the suppliers with the name in the
// first column (a stock name where names has none) and the INN in the third.
std::string SupplierList223Page(const std::vector<std::string>& inns,
                                const std::vector<std::string>& names = {});

// A 223-FZ purchase notice whose documents tab links "documents.html?" + query.
std::string Notice223Page(const std::string& documentsQuery);

// One attached document: its title (shown and in a tooltip) and download link.
struct DocumentAttachmentMarkup {
    std::string title;
    std::string link;
};

// A notice documents page: a documentation block, then the commission
// protocols block.
std::string NoticeDocuments223Page(const std::vector<DocumentAttachmentMarkup>& documentation,
                                   const std::vector<DocumentAttachmentMarkup>& protocols);
