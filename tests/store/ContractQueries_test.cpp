#include "store/ContractQueries.h"
#include "store/ContractCustomer.h"
#include "store/ContractStore.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString k44 = u"https://h/epz/contract/contractCard/common-info.html?reestrNumber="_q;
const QString k223 = u"https://h/epz/contractfz223/card/contract-info.html?id="_q;
const QString kRepair = u"https://h/epz/capitalrepair/general-info.html?id="_q;

class Queries : public ::testing::Test, public TempDatabase {
public:
    Queries() : formats(QLatin1Char(','), u"dd.MM.yyyy"_q) {
        CreateSchema(db);
        ReplaceContract(db, k44 + u"1"_q, u"Бумага"_q, u"100,50"_q, u"10.01.2024"_q,
                        u"01.02.2024"_q, {u"7701234567"_q});
        ReplaceContract(db, kRepair + u"2"_q, u"Крыша"_q, {}, u"05.06.2024"_q, {},
                        {u"7701234567"_q, u"501234567890"_q});
        StoreContract(db, k223 + u"3"_q, u"Связь"_q, u"7"_q, u"01.01.2023"_q, {});
        LinkInnsToUrl(db, k223 + u"3"_q, {u"7701234567"_q});
        StoreContract(db, k223 + u"4"_q, u"Без даты"_q, u"1"_q, {}, {});
        LinkInnsToUrl(db, k223 + u"4"_q, {u"7701234567"_q});
        SetContractCustomer(db, k44 + u"1"_q, u"ГБУ \"Школа\""_q, u"7718225444"_q);
    }
    static QStringList urls(const std::vector<StoredContract>& contracts) {
        QStringList list;
        for (const StoredContract& c : contracts)
            list << c.inn + u' ' + c.url.section(u'=', -1);
        return list;
    }
    ScopedRegionalFormats formats;
};

}  // namespace

TEST_F(Queries, ListsEveryContractOfTheInnsInDateOrderWithItsRegistryAndCustomer) {
    const auto all = QueryContracts(db, {{u"7701234567"_q, u"501234567890"_q}, {}, {}, {}});
    EXPECT_EQ(urls(all), (QStringList{u"7701234567 4"_q, u"7701234567 3"_q, u"7701234567 1"_q,
                                      u"7701234567 2"_q, u"501234567890 2"_q}));
    const StoredContract& first44 = all[2];
    EXPECT_EQ(first44.registry, Registry::Fz44);
    EXPECT_EQ(first44.amount, 100.5);
    EXPECT_EQ(first44.executionDate, QDate(2024, 2, 1));
    EXPECT_EQ(first44.customerName, u"ГБУ \"Школа\""_q);
    EXPECT_EQ(first44.customerInn, u"7718225444"_q);
    EXPECT_EQ(all[3].registry, Registry::CapitalRepair);
    EXPECT_FALSE(all[3].amount.has_value());
    EXPECT_EQ(all[0].registry, Registry::Fz223);
}

TEST_F(Queries, DateRangeAndRegistriesNarrowTheList) {
    ContractFilter filter{{u"7701234567"_q}, QDate(2024, 1, 1), QDate(2024, 12, 31), {}};
    EXPECT_EQ(urls(QueryContracts(db, filter)),
              (QStringList{u"7701234567 1"_q, u"7701234567 2"_q}));
    filter.from = {};
    filter.registries = {Registry::Fz223};
    // With an end set, a contract without a conclusion date is left out.
    EXPECT_EQ(urls(QueryContracts(db, filter)), QStringList{u"7701234567 3"_q});
    EXPECT_EQ(RegistryFromCode(u"615"_q), Registry::CapitalRepair);
    EXPECT_FALSE(RegistryFromCode(u"99"_q).has_value());
}

TEST_F(Queries, OnlyTheLastReportStageCountsAsNew) {
    RecordReportedLink(db, k44 + u"1"_q, u"2024-01-01_10-00-00"_q);
    RecordReportedLink(db, kRepair + u"2"_q, u"2024-02-01_10-00-00"_q);
    ContractFilter filter{{u"7701234567"_q}, {}, {}, {}};
    filter.onlyNew = true;
    EXPECT_EQ(urls(QueryContracts(db, filter)), QStringList{u"7701234567 2"_q});
}
