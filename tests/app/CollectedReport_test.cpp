// The report over what is stored, asked for from the window or the console
// while another copy of the program writes its reports in the same folder.
#include "app/CollectedReport.h"
#include "app/DatabaseOpening.h"
#include "platform/FileLock.h"
#include "report/ShownLinksFile.h"
#include "store/SQLiteWrap.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(CollectedReport, WhileAnotherCopyReportsNothingIsWrittenAndNothingWaits) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    DatabaseOpening opening = OpenProgramDatabase(programDir);
    ASSERT_TRUE(opening.db);
    QStringList log;
    CollectedReport report;
    QStringList before;
    {
        FileLock otherCopy(ShownLinksFile::lockPath(programDir));
        before = QDir(programDir).entryList(QDir::Files);
        report = MakeCollectedReport(*opening.db, programDir, u"7707083893\n"_q, {}, {},
                                     [&log](const QString& line) { log << line; });
    }
    EXPECT_TRUE(report.reportFiles.isEmpty());
    EXPECT_TRUE(report.error.contains(u"Другая копия программы"_q)) << report.error.toStdString();
    EXPECT_EQ(log, QStringList{report.error});
    EXPECT_EQ(QDir(programDir).entryList(QDir::Files), before);

    // Once the other copy is done the same call writes the report.
    report = MakeCollectedReport(*opening.db, programDir, u"7707083893\n"_q, {}, {},
                                 [](const QString&) {});
    EXPECT_TRUE(report.error.isEmpty()) << report.error.toStdString();
}
