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
