#include "replica/SyntheticContracts.h"

#include "replica/SyntheticRoutes.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

namespace {

// Draws from mt19937_64, whose output the standard fixes, with plain modulo: the contracts of
// a seed stay the same whatever the standard library's distributions do.
class Draw {
public:
    explicit Draw(unsigned seed) : rng_(seed) {}
    quint64 below(quint64 bound) { return rng_() % bound; }
    std::string digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + below(10));
        return text;
    }

private:
    std::mt19937_64 rng_;
};

constexpr std::array kSubjects = {
    "Поставка бумаги для офисной техники",
    "Поставка лекарственного препарата \"Инсулин гларгин\"",
    "Выполнение работ по капитальному ремонту кровли многоквартирного дома",
    "Оказание услуг по охране объекта «Школа № 5»",
    "Поставка продуктов питания (молоко, \"кефир\", творог)",
    "Выполнение работ по ремонту автомобильной дороги \"Подъезд к с. Ивановка\"",
    "Оказание услуг связи & передачи данных",
    "Поставка медицинских изделий: шприцы < 5 мл",
    "Техническое обслуживание лифтов",
    "Капитальный ремонт фасада здания по ул. Ленина, д. 12",
};

constexpr std::array kCustomers = {
    "ГОСУДАРСТВЕННОЕ БЮДЖЕТНОЕ УЧРЕЖДЕНИЕ ЗДРАВООХРАНЕНИЯ \"ГОРОДСКАЯ БОЛЬНИЦА № 2\"",
    "МУНИЦИПАЛЬНОЕ КАЗЕННОЕ УЧРЕЖДЕНИЕ \"УПРАВЛЕНИЕ ДОРОЖНОГО ХОЗЯЙСТВА\"",
    "АКЦИОНЕРНОЕ ОБЩЕСТВО \"МОСГАЗ\"",
    "НЕКОММЕРЧЕСКАЯ ОРГАНИЗАЦИЯ \"РЕГИОНАЛЬНЫЙ ФОНД КАПИТАЛЬНОГО РЕМОНТА\"",
    "МУНИЦИПАЛЬНОЕ БЮДЖЕТНОЕ ОБЩЕОБРАЗОВАТЕЛЬНОЕ УЧРЕЖДЕНИЕ \"СРЕДНЯЯ ШКОЛА № 5\"",
};

std::string ZeroPadded(quint64 value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llu", width, static_cast<unsigned long long>(value));
    return text;
}

// 19 digits like a registry number: a leading digit, the customer's INN, the year, a serial.
std::string RegistryNumber(Draw& draw, char lead, const QDate& day, int serial) {
    return lead + InnWithControlDigits(draw.digits(10), false) +
           ZeroPadded(static_cast<quint64>(day.year() % 100), 2) +
           ZeroPadded(static_cast<quint64>(serial), 6);
}

// A 44-FZ or capital-repair number holds its customer's INN; a 223-FZ id is made one from,
// without a draw, so the other contracts of a seed stay as they were.
std::string CustomerInn(const SyntheticContract& contract) {
    const std::string number = SyntheticContractNumber(contract);
    if (contract.registry != PortalRegistry::Contracts223) return number.substr(1, 10);
    return InnWithControlDigits("39" + number.substr(number.size() - 8), false);
}

// Spreads the share of each registry's contracts evenly over its list and gives them the other
// stages in turn.
void AssignStages(std::vector<SyntheticContract>& contracts, double share) {
    share = std::clamp(share, 0.0, 1.0);
    std::array<int, 3> seen{}, moved{}, turn{};
    for (SyntheticContract& contract : contracts) {
        const auto registry = static_cast<std::size_t>(contract.registry);
        const int due = static_cast<int>(share * (seen[registry]++ + 1) + 1e-9);
        if (due <= moved[registry]) continue;
        ++moved[registry];
        const int stages = contract.registry == PortalRegistry::CapitalRepairs ? 2 : 3;
        contract.stage = 1 + turn[registry]++ % stages;
    }
}

std::string CardPath(Draw& draw, PortalRegistry registry, const QDate& day, int serial) {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return "/epz/contract/contractCard/common-info.html?reestrNumber=" +
                   RegistryNumber(draw, draw.below(2) == 0 ? '2' : '3', day, serial);
        case PortalRegistry::CapitalRepairs:
            return "/epz/capitalrepairs/contract/card/general-info.html?reestrNumber=" +
                   RegistryNumber(draw, '2', day, serial);
        case PortalRegistry::Contracts223:
            break;
    }
    // Ids grow with the serial, so they never repeat.
    const quint64 id = 18000000 + static_cast<quint64>(serial) * 13 + draw.below(13);
    return "/epz/contractfz223/card/contract-info.html?id=" + std::to_string(id);
}

// Prices from tens of thousands to tens of millions of rubles, evenly over the magnitudes.
qint64 Price(Draw& draw) {
    qint64 low = 10000;
    for (quint64 magnitude = draw.below(4); magnitude > 0; --magnitude)
        low *= 10;
    return low + static_cast<qint64>(draw.below(static_cast<quint64>(low) * 9));
}

std::vector<std::string> Inns(Draw& draw) {
    std::vector<std::string> inns;
    const quint64 count = 1 + draw.below(3);
    for (quint64 i = 0; i < count; ++i) {
        const std::string body = ZeroPadded(10 + draw.below(90), 2) + draw.digits(9);
        inns.push_back(InnWithControlDigits(body, draw.below(3) == 0));
    }
    return inns;
}

SyntheticContract MakeContract(Draw& draw, PortalRegistry registry, const QDate& day, int serial) {
    SyntheticContract contract{registry, CardPath(draw, registry, day, serial), day, 0, {}, {},
                               false};
    contract.price = Price(draw);
    contract.subject = kSubjects[draw.below(kSubjects.size())];
    contract.inns = Inns(draw);
    contract.absoluteLink = draw.below(5) == 0;
    contract.customerInn = CustomerInn(contract);
    return contract;
}

int ControlDigit(const std::string& digits, const std::vector<int>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < weights.size(); ++i)
        sum += (digits[i] - '0') * weights[i];
    return sum % 11 % 10;
}

}  // namespace

std::vector<SyntheticContract> GenerateSyntheticContracts(const SyntheticPortalConfig& config) {
    Draw draw(config.seed);
    const quint64 days =
        static_cast<quint64>(std::max<qint64>(0, config.firstDay.daysTo(config.lastDay)));
    std::vector<SyntheticContract> contracts;
    int serial = 0;
    const auto spread = [&](PortalRegistry registry, int count) {
        for (int i = 0; i < count; ++i) {
            const QDate day = config.firstDay.addDays(static_cast<qint64>(draw.below(days + 1)));
            contracts.push_back(MakeContract(draw, registry, day, ++serial));
        }
    };
    spread(PortalRegistry::Contracts44, config.contracts44);
    spread(PortalRegistry::CapitalRepairs, config.contractsCapital);
    spread(PortalRegistry::Contracts223, config.contracts223);
    for (const auto& [day, count] : config.crowdedDays) {
        for (int i = 0; i < count; ++i)
            contracts.push_back(MakeContract(draw, PortalRegistry::Contracts44, day, ++serial));
    }
    // Drawn last, so the other contracts of a seed stay as they were.
    if (!config.frequentSupplierInn.empty()) {
        spread(PortalRegistry::Contracts44, config.frequentSupplierContracts);
        const auto first = contracts.end() - config.frequentSupplierContracts;
        for (auto contract = first; contract != contracts.end(); ++contract)
            contract->inns.front() = config.frequentSupplierInn;
    }
    AssignSyntheticRoutes(contracts, config);
    AssignStages(contracts, config.otherStageShare);
    return contracts;
}

std::string SyntheticContractNumber(const SyntheticContract& contract) {
    return contract.cardPath.substr(contract.cardPath.rfind('=') + 1);
}

std::string SyntheticCustomerName(const SyntheticContract& contract) {
    const std::string number = SyntheticContractNumber(contract);
    std::size_t sum = 0;  // not std::hash: the same name on every standard library
    for (char digit : number)
        sum += static_cast<unsigned char>(digit);
    return kCustomers[sum % kCustomers.size()];
}

std::string SyntheticSupplierName(const std::string& inn) {
    const std::string tail = inn.size() > 4 ? inn.substr(inn.size() - 4) : inn;
    return "ООО \"Поставщик " + tail + "\"";
}

std::string InnWithControlDigits(const std::string& body, bool twelveDigits) {
    if (!twelveDigits) {
        std::string inn = body.substr(0, 9);
        return inn + static_cast<char>('0' + ControlDigit(inn, {2, 4, 10, 3, 5, 9, 4, 6, 8}));
    }
    std::string inn = body.substr(0, 10);
    inn += static_cast<char>('0' + ControlDigit(inn, {7, 2, 4, 10, 3, 5, 9, 4, 6, 8}));
    inn += static_cast<char>('0' + ControlDigit(inn, {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8}));
    return inn;
}
