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
