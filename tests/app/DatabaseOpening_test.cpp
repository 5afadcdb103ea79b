#include "app/DatabaseOpening.h"
#include "app/PortalAddress.h"
#include "store/SQLiteWrap.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(CheckPortalAddress, SchemeAndHostOnlyWithoutTrailingSlash) {
    EXPECT_EQ(CheckPortalAddress(u" https://zakupki.gov.ru/ "_q).base, u"https://zakupki.gov.ru"_q);
    EXPECT_EQ(CheckPortalAddress(u"http://127.0.0.1:8443//"_q).base, u"http://127.0.0.1:8443"_q);
    for (const QString& bad : {u"htps://x"_q, u"https://host/epz/"_q, u"host"_q, u"https://"_q,
                               u"https://u:p@host"_q, u"https://host#top"_q, u"https://a b"_q}) {
        const PortalAddressCheck check = CheckPortalAddress(bad);
        EXPECT_TRUE(check.base.isEmpty()) << bad.toStdString();
        EXPECT_TRUE(check.problem.startsWith(u"Адрес портала \""_q + bad + u"\" не подходит"_q));
    }
}

TEST(DatabaseOpening, ForeignFilesAreDamagedAndOthersOpen) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    // A fresh folder and an empty file both give a new database.
    EXPECT_TRUE(OpenProgramDatabase(programDir).db);
    WriteFile(programDir + u"db.s3db"_q, QByteArray());
    EXPECT_TRUE(OpenProgramDatabase(programDir).db);

    WriteFile(programDir + u"db.s3db"_q, QByteArray(2048, 'x'));
    DatabaseOpening noise = OpenProgramDatabase(programDir);
    EXPECT_FALSE(noise.db);
    EXPECT_TRUE(noise.damaged);
    EXPECT_TRUE(noise.message.contains(u"повреждён или не является базой данных этой программы"_q));

    // An SQLite file of some other program, whose "urls" lacks our columns.
    QFile::remove(programDir + u"db.s3db"_q);
    TSQLiteDatabase(programDir + u"db.s3db"_q).ExecSQL(u"CREATE TABLE urls (name TEXT)"_q);
    EXPECT_TRUE(OpenProgramDatabase(programDir).damaged);
}

// Whether a database is damaged is SQLite's result code, not the words of a
// message: a folder named like SQLite's texts that cannot be opened is no damage.
TEST(DatabaseOpening, UnopenableFileIsNotDamagedWhateverItsPathSays) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/malformed no such table not a database/"_q;
    ASSERT_TRUE(QDir().mkpath(programDir + u"db.s3db"_q));  // a folder where the file belongs
    const DatabaseOpening opening = OpenProgramDatabase(programDir);
    EXPECT_FALSE(opening.db);
    EXPECT_FALSE(opening.damaged);
    EXPECT_TRUE(opening.message.startsWith(u"Не удалось открыть базу данных"_q))
        << opening.message.toStdString();
}

TEST(DatabaseOpening, MovingAsideNeverOverwrites) {
    QTemporaryDir dir;
    const QString programDir = dir.path() + u"/"_q;
    const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
    EXPECT_EQ(DamagedDatabaseName(when), u"db.s3db.damaged-20240305-070809"_q);

    WriteFile(programDir + u"db.s3db"_q, "first");
    WriteFile(programDir + u"db.s3db-wal"_q, "first wal");
    EXPECT_EQ(MoveDamagedDatabase(programDir, when),
              programDir + u"db.s3db.damaged-20240305-070809"_q);
    WriteFile(programDir + u"db.s3db"_q, "second");
    EXPECT_EQ(MoveDamagedDatabase(programDir, when),
              programDir + u"db.s3db.damaged-20240305-070809_2"_q);

    EXPECT_FALSE(QFile::exists(programDir + u"db.s3db"_q));
    EXPECT_EQ(ReadFile(programDir + u"db.s3db.damaged-20240305-070809"_q), "first");
    EXPECT_EQ(ReadFile(programDir + u"db.s3db.damaged-20240305-070809-wal"_q), "first wal");
    EXPECT_EQ(ReadFile(programDir + u"db.s3db.damaged-20240305-070809_2"_q), "second");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}
