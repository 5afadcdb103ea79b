#include "tests/support/SyntheticCardMarkup.h"

#include "tests/support/ResultPageMarkup.h"
#include "tests/support/SyntheticContracts.h"

std::string SyntheticCardHtml(const SyntheticContract& contract) {
    std::string inns;
    for (const std::string& inn : contract.inns)
        inns += "        <li class=\"supplier-inn\">ИНН: " + inn + "</li>\n";
    return "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n    <meta charset=\"UTF-8\">\n"
           "    <title>Карточка контракта</title>\n</head>\n<body>\n"
           "<h1>Контракт № " +
           SyntheticContractNumber(contract) +
           "</h1>\n"
           "<div class=\"contract-subject\">" +
           EscapeHtml(contract.subject) +
           "</div>\n"
           "<div class=\"contract-price\">" +
           RublesText(contract.price) +
           "</div>\n"
           "<div class=\"contract-concluded\">" +
           contract.concluded.toString(u"dd.MM.yyyy").toStdString() +
           "</div>\n"
           "<ul class=\"suppliers\">\n" +
           inns + "</ul>\n</body>\n</html>\n";
}
