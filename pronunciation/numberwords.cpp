// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/numberwords.h"

#include <QRegularExpression>

namespace {

constexpr qint64 kTooLarge = 1000000000000LL;

const char *const kOnes[] = {"zero",     "one",     "two",     "three",     "four",     "five",    "six",
                             "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
                             "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
const char *const kTens[] = {"",      "",      "twenty",  "thirty", "forty",
                             "fifty", "sixty", "seventy", "eighty", "ninety"};
const char *const kOrdinalOnes[] = {"zeroth",    "first",     "second",      "third",      "fourth",
                                    "fifth",     "sixth",     "seventh",     "eighth",     "ninth",
                                    "tenth",     "eleventh",  "twelfth",     "thirteenth", "fourteenth",
                                    "fifteenth", "sixteenth", "seventeenth", "eighteenth", "nineteenth"};
const char *const kOrdinalTens[] = {"",         "",         "twentieth",  "thirtieth", "fortieth",
                                    "fiftieth", "sixtieth", "seventieth", "eightieth", "ninetieth"};
const char *const kScales[] = {"", "thousand", "million", "billion"};

QStringList underHundred(int n)
{
    if (n < 20)
        return {QLatin1String(kOnes[n])};
    QStringList words{QLatin1String(kTens[n / 10])};
    if (n % 10)
        words << QLatin1String(kOnes[n % 10]);
    return words;
}

// British English says "and" before the last two digits of a hundred, and
// before a last group under a hundred ("one thousand and five").
QStringList cardinal(qint64 n, bool withAnd)
{
    if (n == 0)
        return {QStringLiteral("zero")};
    int groups[4] = {};
    int count = 0;
    for (qint64 rest = n; rest > 0; rest /= 1000)
        groups[count++] = int(rest % 1000);
    QStringList words;
    for (int g = count - 1; g >= 0; --g) {
        const int group = groups[g];
        if (group == 0)
            continue;
        const int hundreds = group / 100;
        const int rest = group % 100;
        if (hundreds)
            words << QLatin1String(kOnes[hundreds]) << QStringLiteral("hundred");
        if (rest) {
            if (withAnd && (hundreds || (g == 0 && count > 1)))
                words << QStringLiteral("and");
            words << underHundred(rest);
        }
        if (g > 0)
            words << QLatin1String(kScales[g]);
    }
    return words;
}

// 1905 as "nineteen oh five", 1990 as "nineteen ninety", 1900 as "nineteen
// hundred"; none for 2000 to 2009, which are said as plain numbers.
QStringList yearReading(qint64 n)
{
    if (n < 1000 || n > 9999 || (n % 1000 < 10 && n / 1000 >= 2) || n % 1000 == 0)
        return {};
    const int high = int(n / 100);
    const int low = int(n % 100);
    QStringList words = underHundred(high);
    if (low == 0)
        words << QStringLiteral("hundred");
    else if (low < 10)
        words << QStringLiteral("oh") << QLatin1String(kOnes[low]);
    else
        words << underHundred(low);
    return words;
}

QStringList ordinal(QStringList words)
{
    QString &last = words.last();
    for (int i = 0; i < 20; ++i) {
        if (last == QLatin1String(kOnes[i])) {
            last = QLatin1String(kOrdinalOnes[i]);
            return words;
        }
    }
    for (int i = 2; i < 10; ++i) {
        if (last == QLatin1String(kTens[i])) {
            last = QLatin1String(kOrdinalTens[i]);
            return words;
        }
    }
    last += QStringLiteral("th"); // hundred, thousand, million, billion
    return words;
}

QStringList digitByDigit(const QString &digits, const QString &zero)
{
    QStringList words;
    for (QChar c : digits)
        words << (c == u'0' ? zero : QLatin1String(kOnes[c.digitValue()]));
    return words;
}

void addOnce(QList<QStringList> &readings, const QStringList &reading)
{
    if (!reading.isEmpty() && !readings.contains(reading))
        readings << reading;
}

QList<QStringList> wholeNumber(qint64 n)
{
    QList<QStringList> readings;
    addOnce(readings, yearReading(n));
    addOnce(readings, cardinal(n, false));
    addOnce(readings, cardinal(n, true));
    return readings;
}

} // namespace

QList<QStringList> numberReadings(const QString &token)
{
    static const QRegularExpression integer(QStringLiteral("^(?:\\d{1,3}(?:,\\d{3})+|\\d+)$"));
    static const QRegularExpression ordinalForm(QStringLiteral("^(\\d+)(?:st|nd|rd|th)$"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression decimal(QStringLiteral("^(\\d*)\\.(\\d+)$"));
    static const QRegularExpression time(QStringLiteral("^([01]?\\d|2[0-4]):([0-5]\\d)$"));

    QRegularExpressionMatch m;
    if ((m = integer.match(token)).hasMatch()) {
        QString digits = token;
        digits.remove(u',');
        if (digits.size() > 1 && digits.startsWith(u'0') && !token.contains(u','))
            return {digitByDigit(digits, QStringLiteral("zero")), digitByDigit(digits, QStringLiteral("oh"))};
        bool ok = false;
        const qint64 n = digits.size() <= 12 ? digits.toLongLong(&ok) : 0;
        return ok && n < kTooLarge ? wholeNumber(n) : QList<QStringList>();
    }
    if ((m = ordinalForm.match(token)).hasMatch()) {
        bool ok = false;
        const QString digits = m.captured(1);
        const qint64 n = digits.size() <= 12 ? digits.toLongLong(&ok) : 0;
        if (!ok || n >= kTooLarge || n == 0)
            return {};
        QList<QStringList> readings;
        addOnce(readings, ordinal(cardinal(n, false)));
        addOnce(readings, ordinal(cardinal(n, true)));
        return readings;
    }
    if ((m = decimal.match(token)).hasMatch()) {
        const QStringList fraction =
            QStringList{QStringLiteral("point")} + digitByDigit(m.captured(2), QStringLiteral("zero"));
        const QString whole = m.captured(1);
        if (whole.isEmpty() || whole == QLatin1String("0")) {
            return {QStringList{QStringLiteral("zero")} + fraction, fraction};
        }
        bool ok = false;
        const qint64 n = whole.size() <= 12 ? whole.toLongLong(&ok) : 0;
        if (!ok || n >= kTooLarge)
            return {};
        QList<QStringList> readings;
        addOnce(readings, cardinal(n, false) + fraction);
        addOnce(readings, cardinal(n, true) + fraction);
        return readings;
    }
    if ((m = time.match(token)).hasMatch()) {
        const QStringList hour = underHundred(m.captured(1).toInt());
        const int minutes = m.captured(2).toInt();
        if (minutes == 0)
            return {hour + QStringList{QStringLiteral("o'clock")}, hour};
        if (minutes < 10)
            return {hour + QStringList{QStringLiteral("oh"), QLatin1String(kOnes[minutes])}};
        return {hour + underHundred(minutes)};
    }
    return {};
}
