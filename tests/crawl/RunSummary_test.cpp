#include "crawl/RunSummary.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RunSummaryLines, SayWhyAReportHasNoNewContracts) {
    RunSummary summary;
    summary.programDir = u"/data/cf/"_q;
    summary.registries[1].cardsRead = 7;
    summary.reports = {
        {u"7707083893"_q, 2, 1, u"/data/cf/r.tab"_q, u"/data/cf/r.xlsx"_q, false, false},
        {u"Группа"_q, 0, 3, {}, {}, true, false},
        {u"500100732259"_q, 0, 0, {}, {}, false, false},
        {u"12345"_q, 0, 0, {}, {}, false, true}};
    const QStringList lines = summary.lines();
    EXPECT_EQ(lines.front(), u"Итог работы: сбор данных завершён"_q);
    EXPECT_TRUE(lines.filter(u"223-ФЗ: страниц поиска 0, карточек прочитано 7,"_q).size() == 1);
    EXPECT_TRUE(lines.contains(
        u"ИНН 7707083893: новых контрактов 2, отчёт /data/cf/r.tab, книга /data/cf/r.xlsx"_q));
    EXPECT_TRUE(
        lines.contains(u"Группа «Группа»: новых контрактов нет — все найденные (3) уже "
                       u"выводились раньше (список shown.txt)"_q));
    EXPECT_TRUE(lines.contains(
        u"ИНН 500100732259: новых контрактов нет — в базе нет контрактов с этим ИНН"_q));
    EXPECT_TRUE(lines.contains(
        u"ИНН 12345: новых контрактов нет — это не ИНН (см. строку списка ИНН в начале лога)"_q));
    EXPECT_EQ(lines.back(), u"Данные программы (база, отчёты, логи): /data/cf/"_q);

    summary.outcome = RunOutcome::Failed;
    summary.failureText = u"нет связи с порталом"_q;
    EXPECT_EQ(summary.lines().front(), u"Итог работы: ошибка: нет связи с порталом"_q);
}

TEST(RunSummaryLines, AFailedPortalGivesNoVerdictsAndALostSearchNoPlainSuccess) {
    RunSummary summary;
    summary.reports = {{u"7707083893"_q, 0, 0, {}, {}, false, false},
                       {u"Группа"_q, 0, 2, {}, {}, true, false},
                       {u"500100732259"_q, 1, 0, u"r.tab"_q, {}, false, false}};
    summary.outcome = RunOutcome::Failed;
    summary.checkNotMade = true;
    const QStringList lines = summary.lines();
    EXPECT_EQ(lines.filter(u"проверка не выполнена"_q).size(), 2);
    EXPECT_TRUE(lines.filter(u"в базе нет контрактов"_q).isEmpty());
    EXPECT_TRUE(lines.contains(u"ИНН 500100732259: новых контрактов 1, отчёт r.tab"_q));

    RunSummary lost;
    lost.outcome = RunOutcome::Incomplete;
    lost.registries[0].searchesUnread = 2;
    const QStringList lostLines = lost.lines();
    EXPECT_TRUE(lostLines.front().startsWith(u"Итог работы: сбор данных завершён не полностью"_q));
    EXPECT_TRUE(
        lostLines.filter(u"44-ФЗ:"_q).first().contains(u"не прочитано: страниц поиска 2"_q));
}

TEST(RunSummaryLines, TheSearchByInnSaysWhatEachRegistryFoundAndWhatItCannotSee) {
    RunSummary summary;
    summary.searchByInn = true;
    summary.stagesText = StagesText(ContractStages::FirstOnly);
    summary.supplierSearches = {
        {u"7707083893"_q, PortalRegistry::Contracts223, 3, 3, 3, 3, 2, false},
        {u"7707083893"_q, PortalRegistry::Contracts44, 46, 46, 40, 46, 45, false},
        {u"7707083893"_q, PortalRegistry::CapitalRepairs, std::nullopt, 0, 0, 0, 0, false},
        {u"500100732259"_q, PortalRegistry::Contracts44, 5000, 0, 0, 0, 0, true}};
    summary.searchWarnings = {u"предупреждение"_q};
    const QStringList lines = summary.lines();
    EXPECT_TRUE(lines.contains(u"Этапы контрактов: только исполняемые (первый этап)"_q));
    EXPECT_TRUE(lines.contains(
        u"Поиск по ИНН 7707083893 — 223-ФЗ: поиск нашёл 3, прочитано 3, поставщик с этим ИНН "
        u"в 2; 44-ФЗ: поиск нашёл 46, прочитано 40 (ещё 6 уже были в базе), поставщик с этим "
        u"ИНН в 45; капремонт: поиск не загрузился"_q));
    EXPECT_TRUE(
        lines.contains(u"Поиск по ИНН 500100732259 — 44-ФЗ: поиск нашёл 5000 — портал "
                       u"не применил фильтр, не обходили"_q));
    EXPECT_TRUE(lines.contains(u"предупреждение"_q));
    EXPECT_EQ(lines.filter(u"только в протоколе комиссии"_q).size(), 1);
    // A mistyped INN is looked up in the database in both modes; the search by INN says it
    // did not ask the portal for it.
    summary.reports = {{u"7707083894"_q, 0, 0, {}, {}, false, true}};
    EXPECT_EQ(summary.lines().filter(u"поиск по ИНН его на портале не искал"_q).size(), 1);
    summary.searchByInn = false;
    EXPECT_TRUE(summary.lines().filter(u"протоколе"_q).isEmpty());
    EXPECT_TRUE(summary.lines().filter(u"на портале не искал"_q).isEmpty());
}

TEST(RunSummaryLines, AStopDuringTheReportsSaysWhatWasWritten) {
    RunSummary summary;
    summary.outcome = RunOutcome::Stopped;
    EXPECT_EQ(summary.lines().front(),
              u"Итог работы: остановлено пользователем, отчёты не составлялись"_q);

    summary.reportStageRan = true;
    summary.reportStageCut = true;
    summary.reports = {{u"7707083893"_q, 2, 0, u"/d/r.tab"_q, {}, false, false},
                       {u"Группа"_q, 3, 0, u"/d/Группа/r.tab"_q, {}, true, false}};
    const QStringList lines = summary.lines();
    EXPECT_EQ(lines.front(),
              u"Итог работы: остановлено пользователем во время составления отчётов; отчёты "
              u"составлены не по всем ИНН, записано новых строк: 5, файлов отчётов: 2 (их "
              u"ссылки внесены в shown.txt)"_q);
    EXPECT_TRUE(lines.contains(u"ИНН 7707083893: новых контрактов 2, отчёт /d/r.tab"_q));

    summary.reports.clear();
    EXPECT_EQ(summary.lines().front(),
              u"Итог работы: остановлено пользователем во время составления отчётов; отчёты "
              u"составлены не по всем ИНН, новых строк не записано"_q);
}

// Pages given up leave every report's line (but that of a line that is no INN) saying its
// answer may be incomplete: "no contract with this INN" may only mean an unread card.
TEST(RunSummaryLines, UnreadPagesMakeEveryAnswerPossiblyIncomplete) {
    RunSummary summary;
    summary.outcome = RunOutcome::Incomplete;
    summary.registries[0].cardsUnread = 2;
    summary.registries[1].followUpsUnread = 1;
    summary.unreadAddresses = {u"https://p/a"_q, u"https://p/b"_q};
    summary.reports = {{u"500100732259"_q, 0, 0, {}, {}, false, false},
                       {u"12345"_q, 0, 0, {}, {}, false, true}};
    const QStringList lines = summary.lines();
    EXPECT_EQ(lines.front(),
              u"Итог работы: сбор данных завершён не полностью — 3 страниц портала не "
              u"прочитано, отчёты могут быть неполными; следующий запуск запросит их снова"_q);
    EXPECT_EQ(lines.filter(u"44-ФЗ: "_q).value(0).section(u"; "_q, 1),
              u"не прочитано: страниц поиска 0, карточек 2, дополнительных страниц карточек 0"_q);
    EXPECT_FALSE(lines.filter(u"капремонт: "_q).value(0).contains(u"не прочитано"_q));
    EXPECT_TRUE(lines.contains(u"Не прочитаны, например: https://p/a, https://p/b"_q));
    EXPECT_TRUE(
        lines.contains(u"ИНН 500100732259: новых контрактов нет — в базе нет контрактов с "
                       u"этим ИНН (ответ может быть неполным: не все страницы портала "
                       u"прочитаны)"_q));
    EXPECT_FALSE(lines.filter(u"ИНН 12345: "_q).value(0).contains(u"неполным"_q));
}
