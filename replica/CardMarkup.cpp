#include "replica/CardMarkup.h"

#include "replica/HtmlEscape.h"

namespace {

// A subject spread over indented lines, as the portal writes long values.
std::string IndentedText(const std::string& text) {
    std::string lines = "\n                            ";
    for (const char c : EscapeHtml(text))
        lines += c == ' ' ? std::string("\n                            ") : std::string(1, c);
    return lines + "\n                        ";
}

std::string LabelledField(const std::string& label, const std::string& value, bool span) {
    const std::string tag = span ? "span" : "div";
    return "                    <" + tag + " class=\"cardMainInfo__title\">" + label + "</" + tag +
           ">\n                    <" + tag + " class='cardMainInfo__content'>\n" +
           "                        " + value + "\n                    </" + tag + ">\n";
}

std::string PageStart(const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n    <meta charset=\"UTF-8\">\n"
           "    <title>" +
           title + "</title>\n</head>\n<body class=\"cardWrapper\">\n";
}

const std::string kPageEnd = "</body>\n</html>\n";

// The supplier's name escaped, or the stock name made of the prefix and its place.
std::string SupplierName(const std::vector<std::string>& names, std::size_t index,
                         const std::string& stockPrefix) {
    if (index < names.size() && !names[index].empty()) return EscapeHtml(names[index]);
    return stockPrefix + std::to_string(index + 1) + "&#034;";
}

// The customer as the real 44-FZ card's header block shows it: a title, and a
// link to the organisation's card whose tooltip and text are the full name.
std::string CustomerHeader(const CardMarkupValues& values, bool span) {
    const std::string tag = span ? "span" : "div";
    const std::string name = EscapeHtml(values.customer);
    return "                    <div class=\"cardMainInfo__section\">\n"
           "                        <" +
           tag + " class=\"cardMainInfo__title\">Заказчик</" + tag +
           ">\n"
           "                        <" +
           tag +
           " class=\"cardMainInfo__content\">\n"
           "                                    <a href=\"/epz/organization/view/"
           "info.html?organizationCode=0" +
           values.customerInn + "\" target=\"_blank\" rel=\"noopener\" title=\"" + name +
           "\">\n                            " + name + "\n                        </a>\n" +
           "                        </" + tag + ">\n                    </div>\n";
}

// The block «Информация о заказчике» of a 44-FZ card, with the customer's INN.
std::string CustomerBlock44(const CardMarkupValues& values) {
    return R"(            <h2 class="blockInfo__title">Информация о заказчике</h2>
            <section class="blockInfo__section section">
                <span class="section__title">ИНН</span>
                <span class="section__info">)" +
           values.customerInn + R"(</span>
            </section>
)";
}

std::string SupplierRow44(const std::string& inn, const std::string& name) {
    return R"(                    <tr class="tableBlock__row">
                        <td class="tableBlock__col">
                            )" +
           name + R"(
                            <section class="section">
                                <span class="grey-main-light">ИНН:</span>
                                <span>)" +
           inn + R"(</span>
                            </section>
                        </td>
                        <td class="tableBlock__col">Российская Федерация</td>
                    </tr>
)";
}

std::string SupplierTable44(const std::vector<std::string>& inns,
                            const std::vector<std::string>& names) {
    std::string rows;
    for (std::size_t i = 0; i < inns.size(); ++i)
        rows += SupplierRow44(
            inns[i],
            SupplierName(names, i, "ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ &#034;ПОСТАВЩИК "));
    return R"(            <h2 class="blockInfo__title">Информация о поставщиках</h2>
            <table class="blockInfo__table tableBlock">
                <thead class="tableBlock__head">
                    <tr class="tableBlock__row">
                        <th class="tableBlock__col tableBlock__col_header">Наименование</th>
                        <th class="tableBlock__col tableBlock__col_header">Страна</th>
                    </tr>
                </thead>
                <tbody class="tableBlock__body">
)" + rows + "                </tbody>\n            </table>\n";
}

std::string AttachmentHtml(const DocumentAttachmentMarkup& document) {
    return R"(        <div class="attachment row">
            <div class="attachment__value col-9">
                <span class="section__value">
                    <a href=")" +
           document.link + R"(" title=')" + EscapeHtml(document.title) +
           R"('>
                        )" +
           EscapeHtml(document.title) + R"(
                    </a>
                </span>
            </div>
        </div>
)";
}

std::string AttachmentsBlock(const std::string& title,
                             const std::vector<DocumentAttachmentMarkup>& documents) {
    std::string block =
        "    <div class=\"card-attachments__block\">\n"
        "        <div class=\"card-attachments__title\">" +
        title + "</div>\n";
    for (const DocumentAttachmentMarkup& document : documents)
        block += AttachmentHtml(document);
    return block + "    </div>\n";
}

}  // namespace

std::string CardPriceText(long long rubles, int kopecks) {
    std::string digits = std::to_string(rubles);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += "&#160;";
        grouped += digits[i];
    }
    const std::string cents = (kopecks < 10 ? "0" : "") + std::to_string(kopecks);
    return grouped + "," + cents + "&#160;₽";
}

std::string Card44Page(const CardMarkupValues& values, bool spanLabels) {
    return PageStart("Контракт") + "    <div class=\"cardMainInfo\">\n" +
           CustomerHeader(values, true) +
           LabelledField("Объекты закупки", IndentedText(values.subject), false) +
           LabelledField("Цена контракта", values.amountText, spanLabels) +
           LabelledField("Заключение контракта", values.conclusionDate, spanLabels) +
           LabelledField("Срок исполнения", values.executionDate, spanLabels) +
           "    </div>\n    <div class=\"blockInfo\">\n" + CustomerBlock44(values) +
           SupplierTable44(values.inns, values.supplierNames) + "    </div>\n" + kPageEnd;
}

std::string CapitalRepairCardPage(const CardMarkupValues& values) {
    const std::string inn = values.inns.empty() ? std::string() : values.inns.front();
    return PageStart("Договор") + "    <div class=\"cardMainInfo\">\n" +
           CustomerHeader(values, false) +
           LabelledField("Предмет электронного аукциона", IndentedText(values.subject), false) +
           LabelledField("Цена договора", values.amountText, false) +
           LabelledField("Заключение договора", values.conclusionDate, false) +
           LabelledField("Окончание исполнения", values.executionDate, false) +
           R"(    </div>
    <h2 class="blockInfo__title">Информация о подрядчике</h2>
    <div class="blockInfo__section">
        <span class="section__title">Наименование</span>
        <span class="section__info">)" +
           (values.supplierNames.empty() ? "ООО &#034;ПОДРЯДЧИК&#034;"
                                         : EscapeHtml(values.supplierNames.front())) +
           R"(</span>
        <span class="section__title">ИНН</span>
        <span class="section__info">)" +
           inn + R"(</span>
    </div>
)" + kPageEnd;
}

namespace {

std::string GeneralRow(const std::string& label, const std::string& link, const std::string& text) {
    return R"(                <tr>
                    <td><span class="section__title">)" +
           label + R"(</span></td>
                    <td>
                        <a href=")" +
           link + R"(" target='_blank'>
                            )" +
           text + R"(
                        </a>
                    </td>
                </tr>
)";
}

// The general block holds no "</div>" before its links: the card handler
// reads it up to the first one.
std::string GeneralBlock223(const CardMarkupValues& values, const Card223Links& links) {
    std::string rows;
    if (links.planPosition)
        rows += GeneralRow("Позиция плана закупки", "/epz/orderplan/pguplan/position.html?id=17",
                           "Позиция № 17");
    else if (!links.noticeLink.empty())
        rows += GeneralRow("Извещение о закупке", links.noticeLink, "№ 32616184235");
    rows +=
        GeneralRow("Заказчик", "/epz/organization/view223/info.html?&amp;inn=" + values.customerInn,
                   EscapeHtml(values.customer));
    return R"(    <h2 class="blockInfo__title">Общая информация</h2>
    <div class="blockInfo__section">
            <table class="blockInfo__table">
)" + rows + "            </table>\n    </div>\n";
}

std::string BasisSection223(const Card223Links& links) {
    return R"(    <section class="blockInfo">
        <h2 class="blockInfo__title">Основание для заключения договора</h2>
        <table class="blockInfo__table">
            <tr>
                <td class="table_info">Наименование документа</td>
                <td class="table_info">)" +
           EscapeHtml(links.basisName) + R"(</td>
            </tr>
            <tr>
                <td class="table_info">Номер документа</td>
                <td class="table_info">
                    )" +
           EscapeHtml(links.basisNumber) + R"(
                </td>
            </tr>
        </table>
    </section>
)";
}

std::string Tabs223(const Card223Links& links) {
    std::string tabs =
        "    <div class=\"tabsNav d-flex\">\n"
        "        <a class=\"tabsNav__item tabsNav__item_active\" "
        "href=\"/epz/contractfz223/card/contract-info.html?id=7\">Общая информация</a>\n";
    if (!links.supplierListQuery.empty())
        tabs +=
            "        <a class=\"tabsNav__item\" href=\"/epz/contractfz223/card/supplier-info.html" +
            links.supplierListQuery + "\">Информация о поставщиках</a>\n";
    return tabs + "    </div>\n";
}

}  // namespace

std::string Card223Page(const CardMarkupValues& values, const Card223Links& links) {
    const std::string period = links.executionStart + "&nbsp;&mdash;&nbsp;" + values.executionDate;
    return PageStart("Договор") + Tabs223(links) + GeneralBlock223(values, links) +
           "    <div class=\"cardMainInfo\">\n"
           "        <span class=\"section__title\">Предмет договора</span>\n"
           "        <span class=\"section__info\">" +
           IndentedText(values.subject) + "</span>\n" +
           LabelledField("Цена договора", values.amountText, false) +
           LabelledField("Заключение договора", values.conclusionDate, false) +
           LabelledField("Срок исполнения", period, false) + "    </div>\n" +
           BasisSection223(links) + kPageEnd;
}

std::string SupplierList223Page(const std::vector<std::string>& inns,
                                const std::vector<std::string>& names) {
    std::string rows;
    for (std::size_t i = 0; i < inns.size(); ++i) {
        rows += R"(            <tr class="tableBlock__row">
                <td class="tableBlock__col">)" +
                SupplierName(names, i, "ООО &#034;ПОСТАВЩИК ") + R"(</td>
                <td class='tableBlock__col'>Российская Федерация</td>
                <td class="tableBlock__col">
                    )" +
                inns[i] + R"(
                </td>
            </tr>
)";
    }
    return PageStart("Сведения о поставщиках") +
           R"(    <h2 class="blockInfo__title">Сведения о поставщиках (подрядчиках, исполнителях)</h2>
    <table class="blockInfo__table tableBlock">
        <thead>
            <tr class="tableBlock__row">
                <th class="tableBlock__col tableBlock__col_header">Наименование поставщика</th>
                <th class="tableBlock__col tableBlock__col_header">Страна</th>
                <th class="tableBlock__col tableBlock__col_header">Идентификационный номер (ИНН)</th>
            </tr>
        </thead>
        <tbody class="tableBlock__body">
)" + rows + "        </tbody>\n    </table>\n" +
           kPageEnd;
}

std::string Notice223Page(const std::string& documentsQuery) {
    return PageStart("Извещение") + R"(    <div class="tabsNav d-flex">
        <a class="tabsNav__item tabsNav__item_active" href="/epz/order/notice/notice223/common-info.html?)" +
           documentsQuery + R"(">Общая информация</a>
        <a class="tabsNav__item" href="/epz/order/notice/notice223/documents.html?)" +
           documentsQuery + R"(">Документы</a>
    </div>
)" + kPageEnd;
}

std::string NoticeDocuments223Page(const std::vector<DocumentAttachmentMarkup>& documentation,
                                   const std::vector<DocumentAttachmentMarkup>& protocols) {
    return PageStart("Документы") + "<div class=\"card-attachments\">\n" +
           AttachmentsBlock("Документация по закупке", documentation) +
           AttachmentsBlock("Протоколы работы комиссии", protocols) + "</div>\n" + kPageEnd;
}
