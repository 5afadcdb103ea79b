#include "replica/ResultPageMarkup.h"
#include "replica/SyntheticContracts.h"

namespace {

struct RegistryLook {
    const char* title;         // the law or decree in the entry's header
    const char* printPath;     // print form, linked before the number
    const char* customerPath;  // customer page, linked after the number
};

RegistryLook LookOf(PortalRegistry registry) {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return {"44-ФЗ", "/epz/contract/printForm/view.html?reestrNumber=",
                    "/epz/organization/view/info.html?organizationCode=0338200"};
        case PortalRegistry::CapitalRepairs:
            return {"ПП РФ 615", "/epz/capitalrepairs/printForm/view.html?reestrNumber=",
                    "/epz/organization/view/info.html?organizationCode=0195300"};
        case PortalRegistry::Contracts223:
            break;
    }
    return {"223-ФЗ", "/epz/contractfz223/printForm/view.html?id=",
            "/epz/organization/view223/info.html?&amp;inn="};
}

// The customer page's link: a 44-FZ or capital-repair one names the customer by a code, a
// 223-FZ one by INN, KPP and OGRN, as the portal's entries do.
std::string CustomerLink(const SyntheticContract& contract) {
    const RegistryLook look = LookOf(contract.registry);
    const std::string number = SyntheticContractNumber(contract);
    if (contract.registry != PortalRegistry::Contracts223)
        return look.customerPath + number.substr(number.size() - 4);
    return look.customerPath + contract.customerInn +
           "&amp;kpp=" + contract.customerInn.substr(0, 4) + "01001&amp;ogrn=1023900764832";
}

std::string HeaderHtml(const SyntheticContract& contract, const std::string& baseUrl) {
    const RegistryLook look = LookOf(contract.registry);
    const std::string number = SyntheticContractNumber(contract);
    const std::string host =
        contract.offPortalLink ? kOffPortalHost : (contract.absoluteLink ? baseUrl : "");
    const std::string link = host + contract.cardPath;
    return R"(
        <div class="search-registry-entry-block box-shadow-search-input">
            <div class="row no-gutters registry-entry__form mr-0" style="height: 192px;">
                <div class="col-8 pr-0">
                    <div class="registry-entry__header">
                        <div class="row registry-entry__header-top m-0">
                            <div class="col p-0 d-flex">
                                <div class="col-9 p-0 registry-entry__header-top__title text-truncate">
                                   )" +
           std::string(look.title) + R"(
                                   Исполнение
                                    
                                </div>
                                <div class="w-space-nowrap ml-auto registry-entry__header-top__icon">
                                                <a href=")" +
           look.printPath + number + R"(" target="_blank" class="m-0">
                                                    <img src="/epz/static/img/icons/icon_print_small.svg" alt="">
                                                </a>
                                </div>
                            </div>
                        </div>

                        <div class="d-flex registry-entry__header-mid align-items-center">
                                <div class="registry-entry__header-mid__number">
                                    
                                    <a target="_blank" href=")" +
           link + R"(">
                                        № )" +
           number + R"(
                                    </a>
                                </div>
                                <div class="registry-entry__header-mid__title text-normal">
                                            Исполнение
                                </div>
                        </div>
                    </div>
)";
}

std::string BodyHtml(const SyntheticContract& contract) {
    return R"(                    <div class="registry-entry__body">
                            <div class="registry-entry__body-block">
                                <div class="registry-entry__body-title">Объекты закупки</div>
                                <div class="registry-entry__body-value">)" +
           EscapeHtml(contract.subject) + R"(</div>
                            </div>
                        <div class="registry-entry__body-block">
                                            <div class="registry-entry__body-title">Заказчик</div>
                                            <div class="registry-entry__body-href">
                                                <a target="_blank" href=")" +
           CustomerLink(contract) + R"(">
                                                    
                                                            )" +
           EscapeHtml(SyntheticCustomerName(contract)) + R"(
                                                        
                                                </a>
                                            </div>
                        </div>
                    </div>
                </div>
)";
}

std::string RightBlockHtml(const SyntheticContract& contract) {
    const std::string concluded = contract.concluded.toString(u"dd.MM.yyyy").toStdString();
    const std::string updated = contract.concluded.addDays(3).toString(u"dd.MM.yyyy").toStdString();
    return R"(                <div class="col col d-flex flex-column registry-entry__right-block b-left">
                    <div class="price-block">
                            <div class="price-block__title">Цена контракта</div>
                            <div class="price-block__value" style="overflow-wrap:anywhere">
                                )" +
           RublesText(contract.price) + R"(
                            </div>
                    </div>
                    <div class="data-block mt-auto">
                        <div class="row">
                            <div class="col-6">
                                <div class="data-block__title">Заключен</div>
                                <div class="data-block__value">)" +
           concluded + R"(</div>
                            </div>
                            <div class="col-6">
                                    <div class="data-block__title">Обновлено</div>
                                    <div class="data-block__value">)" +
           updated + R"(</div>
                            </div>
                        </div>
                    </div>
                </div>
            </div>
        </div>
)";
}

}  // namespace

std::string ResultEntryHtml(const SyntheticContract& contract, const std::string& baseUrl) {
    return HeaderHtml(contract, baseUrl) + BodyHtml(contract) + RightBlockHtml(contract);
}
