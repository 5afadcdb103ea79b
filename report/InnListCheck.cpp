#include "report/InnListCheck.h"

#include "report/InnRequest.h"
#include "text/TrimControls.h"

#include <QRegularExpression>
#include <QSet>
#include <array>

namespace {

// The check digit over the first weights.size() digits: the weighted sum
// modulo 11, then modulo 10.
template <std::size_t N>
int CheckDigit(const QString& digits, const std::array<int, N>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i)
        sum += weights[i] * digits[static_cast<qsizetype>(i)].digitValue();
    return sum % 11 % 10;
}

bool AllDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return !text.isEmpty();
}

bool HasInnLength(const QString& text) {
    return AllDigits(text) && (text.size() == 10 || text.size() == 12);
}

// How many lines are read between two questions to the stop check.
constexpr qsizetype kLinesBetweenStopChecks = 4096;

bool StopAsked(const InnListStop& stop, qsizetype line) {
    return stop && line % kLinesBetweenStopChecks == 0 && stop();
}

QStringList ListLines(const QString& listText) {
    static const QRegularExpression kLineEnd(QStringLiteral("\r\n|\r|\n"));
    return listText.split(kLineEnd);
}

// The INN field split at ";", "," and blanks, when that gives at least two
// parts of which each has an INN's length; empty otherwise.
QStringList SeveralInns(const QString& field) {
    static const QRegularExpression kSeparators(QStringLiteral("[;,\\s]+"));
    const QStringList parts = field.split(kSeparators, Qt::SkipEmptyParts);
    if (parts.size() < 2) return {};
    for (const QString& part : parts) {
        if (!HasInnLength(part)) return {};
    }
    return parts;
}

// What is wrong with the INN field of a line; empty when nothing is.
QString InnProblem(const QString& inn) {
    if (IsValidInn(inn)) return {};
    if (HasInnLength(inn)) return QStringLiteral("неверные контрольные цифры ИНН");
    const QStringList several = SeveralInns(inn);
    if (!several.isEmpty()) {
        return QStringLiteral("в строке несколько ИНН (%1): укажите по одному ИНН в строке")
            .arg(several.join(QStringLiteral(", ")));
    }
    return QStringLiteral("не ИНН: нужно 10 или 12 цифр");
}

}  // namespace

bool IsValidInn(const QString& inn) {
    static constexpr std::array<int, 9> kWeights10 = {2, 4, 10, 3, 5, 9, 4, 6, 8};
    static constexpr std::array<int, 10> kWeights11 = {7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    static constexpr std::array<int, 11> kWeights12 = {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    if (!HasInnLength(inn)) return false;
    if (inn.size() == 10) return CheckDigit(inn, kWeights10) == inn[9].digitValue();
    return CheckDigit(inn, kWeights11) == inn[10].digitValue() &&
           CheckDigit(inn, kWeights12) == inn[11].digitValue();
}

QStringList InnListWarnings(const QString& listText, const InnListStop& stop) {
    QStringList warnings;
    const QStringList lines = ListLines(listText);
    for (qsizetype i = 0; i < lines.size() && !StopAsked(stop, i); ++i) {
        const QString line = TrimControls(lines[i]);
        if (line.isEmpty()) continue;
        const QString problem = InnProblem(ParseInnListLine(line).Inn);
        if (problem.isEmpty()) continue;
        warnings << QStringLiteral("Строка %1 списка ИНН: \"%2\" — %3")
                        .arg(i + 1)
                        .arg(QString(line).replace(QLatin1Char('\t'), QLatin1Char(' ')), problem);
    }
    return warnings;
}

QStringList ValidInns(const QString& listText, const InnListStop& stop) {
    QStringList inns;
    QSet<QString> seen;  // a keyed look-up: a list search per line made long lists quadratic
    const QStringList lines = ListLines(listText);
    for (qsizetype i = 0; i < lines.size() && !StopAsked(stop, i); ++i) {
        const QString inn = ParseInnListLine(lines[i]).Inn;
        if (!IsValidInn(inn) || seen.contains(inn)) continue;
        seen.insert(inn);
        inns << inn;
    }
    return inns;
}
