#include "tests/cards/CardTestSupport.h"

#include "store/ContractStore.h"
#include "tests/support/TestSupport.h"

namespace {

QString Quoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QStringLiteral("'"), QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

}  // namespace

HandlerRun::HandlerRun()
    : db(dir.filePath(QStringLiteral("db.s3db"))),
      sink(db),
      context{queue,
              progressBarMax,
              tendersCounter,
              splitStarted,
              noticeDocumentKeys,
              sink,
              [this](const QString& text) { log.append(text); },
              [] {},
              QDate(2024, 3, 25)} {
    CreateSchema(db);
}

void HandlerRun::run(const PageHandler& handler, const QString& url, const QString& html,
                     const QString& canonical) {
    context.followUpsQueued = 0;  // counted per job, as the controller does
    handler(context, FinishedJob{2, url, canonical, html, QStringLiteral("успешно")});
}

void HandlerRun::runFixture(const PageHandler& handler, const QString& url, const QString& fixture,
                            const QString& canonical) {
    run(handler, url, TestSupport::readDataText(QStringLiteral("cards/") + fixture), canonical);
}

bool HandlerRun::stored(const QString& url) {
    return IsUrlStored(db, url);
}

QStringList HandlerRun::innsOf(const QString& url) {
    QStringList inns;
    TSQLiteTable table = db.GetTable(
        QStringLiteral("SELECT i.inn FROM inns i JOIN url_inns ui ON ui.inn_id = i.id JOIN urls u "
                       "ON u.id = ui.url_id WHERE u.url = ") +
        Quoted(url) + QStringLiteral(" ORDER BY i.inn"));
    for (; !table.Eof(); table.Next())
        inns.append(table.FieldAsString(0));
    return inns;
}

QString HandlerRun::column(const QString& url, const QString& name) {
    TSQLiteTable table = db.GetTable(QStringLiteral("SELECT ") + name +
                                     QStringLiteral(" FROM urls WHERE url = ") + Quoted(url));
    return table.Eof() ? QString() : table.FieldAsString(0);
}

bool HandlerRun::isNull(const QString& url, const QString& name) {
    return db.GetTableValue(QStringLiteral("SELECT ") + name +
                            QStringLiteral(" IS NULL FROM urls WHERE url = ") + Quoted(url)) == 1;
}

ScopedDecimalSeparator::ScopedDecimalSeparator(QChar separator) {
    RegionalFormats formats;
    formats.decimalSeparator = separator;
    formats.thousandsSeparator = separator == u',' ? QChar(0x00A0) : QChar(u',');
    formats.shortDateFormat = QStringLiteral("dd.MM.yyyy");
    RegionalSettings::override(formats);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
