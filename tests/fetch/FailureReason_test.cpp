#include "fetch/FailureReason.h"
#include "fetch/ConnectionWatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(FailureReason, RussianWordsForLibcurlTextsAndStatuses) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"ERROR_Could not resolve host: zakupki.gov.ru", u"имя сервера не найдено"},
        {u"ERROR_Could not resolve proxy: p", u"имя прокси-сервера не найдено"},
        {u"ERROR_Failed to connect to 127.0.0.1 port 9 after 0 ms: Couldn't connect to server",
         u"сервер не принимает соединения"},
        {u"ERROR_Connection timed out after 120001 milliseconds", u"сервер не ответил вовремя"},
        {u"ERROR_OpenSSL SSL_connect: SSL_ERROR_SYSCALL in connection to h:443",
         u"ошибка защищённого соединения (TLS)"},
        {u"ERROR_Connection Closed Gracefully (Empty reply from server)",
         u"сервер закрыл соединение без ответа"},
        {u"ERROR_HTTP/1.1 404 Not Found", u"страница не найдена (404)"},
        {u"ERROR_HTTP/2 503 Service Unavailable", u"ошибка на стороне портала (503)"},
        {u"ERROR_429", u"слишком много запросов (429)"},
        {u"ERROR_retry", u"пустой ответ или сбой соединения через прокси"},
        {u"ERROR_aborted", u""},
        {u"ERROR_something new", u""},
    };
    for (const auto& [status, reason] : cases)
        EXPECT_EQ(FailureReason(QString::fromUtf16(status)), QString::fromUtf16(reason))
            << QString::fromUtf16(status).toStdString();
}

TEST(ConnectionWatch, WarnsOnceAfterAStreakWithoutAnswer) {
    ConnectionWatch watch;
    int warnings = 0;
    for (int i = 0; i < ConnectionWatch::kWarnAfter - 1; ++i)
        warnings += watch.note(false);
    warnings += watch.note(true);  // an answer ends the streak
    for (int i = 0; i < ConnectionWatch::kWarnAfter - 1; ++i)
        warnings += watch.note(false);
    EXPECT_EQ(warnings, 0);
    EXPECT_TRUE(watch.note(false));
    for (int i = 0; i < 3 * ConnectionWatch::kWarnAfter; ++i)
        warnings += watch.note(false);
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(watch.answers(), 1);
}
