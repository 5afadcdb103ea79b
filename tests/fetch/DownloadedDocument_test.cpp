#include "fetch/DownloadedDocument.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(MessageMember, TakesTheQuotedTextAfterTheMarker) {
    EXPECT_EQ(MessageMember(u"{\"code\":1,\"message\":\"Файл не найден\"}"_q), u"Файл не найден"_q);
    EXPECT_EQ(MessageMember(u"{\"message\": \"spaced\"}"_q), u""_q);
    EXPECT_EQ(MessageMember(u"{\"message\":\"unclosed"_q), u""_q);
    EXPECT_EQ(MessageMember(u"<html>no member</html>"_q), u""_q);
    EXPECT_EQ(MessageMember(u"\"message\":\"a\\\"b\""_q), u"a\\"_q);  // no JSON unescaping
}

TEST(DownloadFileName, HostileAddressesStayInsideTheFolder) {
    EXPECT_EQ(DownloadFileName(u"https://h/download/x.html?uid=AB12-cd_3"_q, u""_q, u"pdf"_q),
              u"AB12-cd_3.pdf"_q);
    EXPECT_EQ(
        DownloadFileName(u"https://h/download/x.html?uid=../../etc/passwd"_q, u"7"_q, u"pdf"_q),
        u"______etc_passwd-7.pdf"_q);
    EXPECT_EQ(DownloadFileName(u"https://h/download/x.html?uid=..\\..\\win"_q, u""_q, u"pdf"_q),
              u"______win.pdf"_q);
    EXPECT_EQ(DownloadFileName(u"https://h/download/x.html?id=5"_q, u""_q, u"pdf"_q),
              u"document.pdf"_q);
    EXPECT_EQ(DownloadFileName(u"https://h/download/?uid=/abs/name%00.pdf"_q, u""_q, u"pdf"_q),
              u"_abs_name_00_pdf.pdf"_q);
    const QString longName =
        DownloadFileName(u"https://h/download/?uid="_q + QString(5000, u'a'), u""_q, u"pdf"_q);
    EXPECT_LE(longName.size(), 100);
}

TEST(ProcessDownload, AnswersByContentTypeAndExtension) {
    QTemporaryDir dir;
    const DownloadContext context{u"https://h/download/f.html?uid=ABC"_q, dir.path() + u"/"_q,
                                  u""_q, u"t1"_q};
    const QByteArray body = "%PDF-1.4 not really";

    const auto text =
        ProcessDownload(context, "text/html; charset=utf-8", "", "{\"message\":\"Нет доступа\"}");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->statusText, u"Нет доступа"_q);
    // A megabyte of message: the status, which the log quotes, holds its start only.
    const QByteArray longMessage = "{\"message\":\"" + QByteArray(1 << 20, 'x') + "\"}";
    const auto refusal = ProcessDownload(context, "text/plain", "", longMessage);
    ASSERT_TRUE(refusal);
    EXPECT_LT(refusal->statusText.size(), 300);
    EXPECT_EQ(refusal->html.size(), longMessage.size());

    EXPECT_FALSE(ProcessDownload(context, "application/octet-stream", "", body));

    const auto noDot =
        ProcessDownload(context, "application/download", "attachment; filename=\"protocol\"", body);
    EXPECT_EQ(noDot->statusText, u"ошибка: нет расширения файла"_q);
    const auto upper =
        ProcessDownload(context, "application/download", "attachment; filename=\"P.PDF\"", body);
    EXPECT_EQ(upper->statusText, u"ошибка: неподдерживаемый формат PDF"_q);
    const auto param = ProcessDownload(context, "application/download",
                                       "attachment; filename=\"p.pdf\"; size=1.5", body);
    EXPECT_EQ(param->statusText, u"ошибка: неподдерживаемый формат 5"_q);

    const auto pdf =
        ProcessDownload(context, "application/download", "attachment; filename=\"p.pdf\"", body);
    // Not a document pdftotext can open: said so, not taken for one naming no supplier.
    EXPECT_TRUE(
        pdf->statusText.startsWith(u"документ не прочитан: pdftotext завершилась с ошибкой"_q))
        << pdf->statusText.toStdString();
    // The saved document is always deleted after conversion.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(ProcessDownload, UnwritableFolderFailsTheAttempt) {
    const DownloadContext context{u"https://h/download/f.html?uid=ABC"_q, u"/nonexistent-folder/"_q,
                                  u""_q, u""_q};
    EXPECT_THROW(ProcessDownload(context, "application/download", "filename=\"a.pdf\"", "x"),
                 std::exception);
}
