#include "text/InnRecognition.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// A bare twelve-digit number: found only when no labelled INN is.
const QString kBareTwelve = u" тел. 500100732259"_q;

QStringList inns(std::initializer_list<const char*> values) {
    QStringList list;
    for (const char* value : values)
        list.append(QString::fromLatin1(value));
    return list;
}

QString repeated(const QString& piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

}  // namespace

TEST(FindInns, LabelledTenDigitsWinOverABareTwelve) {
    EXPECT_EQ(FindInns(u"Участник: ИНН: 7701234567, КПП 770101001"_q + kBareTwelve),
              inns({"7701234567"}));
}

TEST(FindInns, TakesTwelveDigitsBeforeTen) {
    EXPECT_EQ(FindInns(u"ИНН: 500100732259"_q), inns({"500100732259"}));
    EXPECT_EQ(FindInns(u"ИНН 77012345678"_q), inns({"7701234567"}));  // eleven: first ten
    EXPECT_EQ(FindInns(u"ИНН 7701234567890123"_q), inns({"770123456789"}));
    EXPECT_EQ(FindInns(u"500100732259"_q), inns({"500100732259"}));
}

TEST(FindInns, AcceptsEveryFormOfTheLabel) {
    for (const QString& label :
         {u"ИНН 7701234567"_q, u"ИНН:7701234567"_q, u"ИНН7701234567"_q, u"ИНН : 7701234567"_q,
          u"ИНН\r\n:\r\n\t7701234567"_q, u"ИНН\u00A07701234567"_q, u"ИНН\u00A0:\u00A07701234567"_q,
          u"ИНН\f7701234567"_q, u"HHH 7701234567"_q, u"ОООИНН7701234567КПП"_q}) {
        EXPECT_EQ(FindInns(label + kBareTwelve), inns({"7701234567"})) << label.toStdString();
    }
}

TEST(FindInns, LabelIsCaseSensitiveAndExact) {
    // With no label recognised, the eleven digits after it are not a free-standing INN.
    for (const QString& notLabel :
         {u"инн 77012345678"_q, u"Инн 77012345678"_q, u"ННН 77012345678"_q, u"hhh 77012345678"_q,
          u"ИНН :: 77012345678"_q, u"ИНН - 77012345678"_q}) {
        EXPECT_TRUE(FindInns(notLabel).isEmpty()) << notLabel.toStdString();
    }
}

TEST(FindInns, FreeStandingNumbersNeedWordBoundaries) {
    for (const QString& bounded :
         {u"7701234567"_q, u"тел. 7701234567."_q, u"(7701234567)"_q, u"\u00A07701234567\u00A0"_q,
          u"строка\r\n7701234567\r\n"_q, u"«7701234567»"_q, u"№7701234567"_q}) {
        EXPECT_EQ(FindInns(bounded), inns({"7701234567"})) << bounded.toStdString();
    }
    for (const QString& glued :
         {u"123457701234567"_q, u"77012345678"_q, u"ab7701234567"_q, u"7701234567z"_q,
          u"Ж7701234567"_q, u"7701234567ж"_q, u"ё7701234567"_q, u"7701234567Ё"_q, u"_7701234567"_q,
          u"ї7701234567"_q}) {
        EXPECT_TRUE(FindInns(glued).isEmpty()) << glued.toStdString();
    }
}

TEST(FindInns, DigitsAreAsciiOnly) {
    EXPECT_TRUE(FindInns(u"ИНН ٧٧٠١٢٣٤٥٦٧"_q).isEmpty());
    EXPECT_TRUE(FindInns(u"７７０１２３４５６７"_q).isEmpty());
    // A digit of another script is no word character of ours: it bounds a number.
    EXPECT_EQ(FindInns(u"٧7701234567٧"_q), inns({"7701234567"}));
}

TEST(FindInns, KeepsOrderAndDuplicates) {
    EXPECT_EQ(FindInns(u"ИНН 7701234567; ИНН: 500100732259; ИНН 7701234567"_q),
              inns({"7701234567", "500100732259", "7701234567"}));
    EXPECT_EQ(FindInns(u"7701234567 и 500100732259, снова 7701234567"_q),
              inns({"7701234567", "500100732259", "7701234567"}));
}

TEST(FindInns, InnAndKppTogetherFallBackToTheBareNumber) {
    EXPECT_EQ(FindInns(u"ИНН/КПП 7701234567/770101001"_q), inns({"7701234567"}));
}

TEST(FindInns, WithoutALabelATelephoneNumberCounts) {
    EXPECT_EQ(FindInns(u"Телефон 4951234567, факс 8 (495) 123-45-67"_q), inns({"4951234567"}));
}

TEST(FindInns, NothingToFind) {
    EXPECT_TRUE(FindInns(QString()).isEmpty());
    EXPECT_TRUE(FindInns(u"Протокол без номеров, ИНН не указан"_q).isEmpty());
}

TEST(FindInns, BoundedAttemptHandsOverToFreeStanding) {
    // Every blank after the label is a backtracking point of the first blank
    // run; past the bound the labelled attempt counts as no match.
    const QString text = u"ИНН"_q + repeated(QStringLiteral(" "), 50000) + u"нет; 7701234567"_q;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(FindInns(text), inns({"7701234567"}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
}

TEST(FindInns, BoundedAttemptEndsTheSearchKeepingEarlierInns) {
    const QString text =
        u"ИНН 7701234567 ИНН"_q + repeated(QStringLiteral(" "), 50000) + u"нет; ИНН 500100732259"_q;
    EXPECT_EQ(FindInns(text), inns({"7701234567"}));
}

TEST(FindInns, LongPlainTextsStayWithinTheBounds) {
    const QString line = u"Сведения об участнике закупки, цена 1 234 567,89 руб.\r\n"_q;
    EXPECT_EQ(FindInns(repeated(line, 2000) + u"ИНН 7701234567"_q), inns({"7701234567"}));
    EXPECT_EQ(FindInns(repeated(QStringLiteral("1"), 100000) + u" 7701234567"_q),
              inns({"7701234567"}));
}

TEST(FindInns, ThreadsShareThePatterns) {
    const QString text = u"ИНН 7701234567, ИНН 500100732259"_q;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                if (FindInns(text) != inns({"7701234567", "500100732259"})) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
