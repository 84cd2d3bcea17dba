#include "FoundationExtensions/NTXNSNumberExtensions.h"

namespace NTXNSNumberExtensions {

namespace {

QString letters(quint64 n, char first)
{
    QString result;
    while (n > 0) {
        --n;
        result.prepend(QLatin1Char(char(first + n % 26)));
        n /= 26;
    }
    return result;
}

QString roman(quint64 n, bool upper)
{
    // One, five and ten letters of thousands, hundreds, tens and units; the
    // thousands have only the one letter, repeated.
    static const char *const digits[4] = {"M??", "CDM", "XLC", "IVX"};
    static const quint64 scale[4] = {1000, 100, 10, 1};
    QString result;
    for (int place = 0; place < 4; ++place) {
        const int d = int((n / scale[place]) % 10);
        const char one = digits[place][0];
        const char five = digits[place][1];
        const char ten = digits[place][2];
        if (place == 0) {
            result += QString(d, QLatin1Char(one));
            continue;
        }
        if (d == 9)
            result += QLatin1Char(one), result += QLatin1Char(ten);
        else if (d >= 5)
            result += QLatin1Char(five), result += QString(d - 5, QLatin1Char(one));
        else if (d == 4)
            result += QLatin1Char(one), result += QLatin1Char(five);
        else
            result += QString(d, QLatin1Char(one));
    }
    return upper ? result : result.toLower();
}

} // namespace

std::optional<QString> numberToStringWithType(quint64 value, int type)
{
    if (type < Decimal || type > LowerRoman)
        return std::nullopt;
    if (value == 0)
        return QStringLiteral("NUL");
    switch (type) {
    case Decimal:
        return QString::number(value);
    case UpperLetters:
        return letters(value, 'A');
    case LowerLetters:
        return letters(value, 'a');
    default:
        if (value >= 5000)
            return QStringLiteral("NUL");
        return roman(value, type == UpperRoman);
    }
}

} // namespace NTXNSNumberExtensions
