// Decimal numbers: exact sums of decimal fractions, reading, writing and the limits.
#include "FoundationExtensions/NTXDecimalNumber.h"
#include "FoundationExtensions/NTXNSArray_Extension.h"
#include "platform/foundation/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

QString sumOf(const QVariantList &values)
{
    return NTXNSArray_Extension::decimalNumberSumForSelector(values, [](const QVariant &v) { return v; }).toString();
}

TEST(DecimalNumber, SumsAreExact)
{
    const struct {
        QVariantList values;
        const char *sum;
    } cases[] = {
        {{0.1, 0.2}, "0.3"},
        {{QVariant(0.1f), QVariant(0.2f)}, "0.3"},
        {{19.99, 0.01, -20}, "0"},
        {{QVariant(qint64(9007199254740993)), 1}, "9007199254740994"},
        {{QStringLiteral("1.50"), QStringLiteral("2.5e-1"), QStringLiteral(" -3 ")}, "-1.25"},
        {{QVariant(), QStringLiteral("abc"), QStringLiteral("0x10"), 1e300 * 1e300, QVariant(QStringList())}, "0"},
        {{QVariant::fromValue(NTXDecimalNumber(125, -2)), true}, "2.25"},
        {{QStringLiteral("1e-130"), 1}, "1"},
        // Numbers of very different size: what lies beyond 38 digits is rounded away.
        {{QStringLiteral("1e20"), QStringLiteral("0.000000000000000000000000005")}, "100000000000000000000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sumOf(c.values), QString::fromLatin1(c.sum)) << c.sum;
}

// A digit past the 38 a number holds, or past the smallest exponent, is rounded
// away: a half goes to the even neighbour, whatever the sign.
TEST(DecimalNumber, HalvesRoundToEven)
{
    const auto number = [](const char *text) { return *NTXDecimalNumber::fromString(QString::fromLatin1(text)); };
    const QString digits38 = QStringLiteral("12345678901234567890123456789012345678");
    const struct {
        const char *a;
        const char *b;
        NTXDecimalNumber sum;
    } cases[] = {
        // 38 digits and a half: ...678.5 stays ...678, ...679.5 goes to ...680.
        {"12345678901234567890123456789012345678", "0.5", number("12345678901234567890123456789012345678")},
        {"12345678901234567890123456789012345678", "1.5", number("12345678901234567890123456789012345680")},
        {"-12345678901234567890123456789012345678", "-0.5", number("-12345678901234567890123456789012345678")},
        {"-12345678901234567890123456789012345678", "-1.5", number("-12345678901234567890123456789012345680")},
        // An odd last digit and a half go up; a half that lies past an aligning step is
        // not rounded twice; two operands of over 5·10^37 keep all their digits.
        {"12345678901234567890123456789012345677", "0.5", number("12345678901234567890123456789012345678")},
        {"12345678901234567890123456789012345678", "0.51", number("12345678901234567890123456789012345679")},
        {"99999999999999999999999999999999999991", "1", number("99999999999999999999999999999999999992")},
        {"55555555555555555555555555555555555555", "55555555555555555555555555555555555555",
         number("111111111111111111111111111111111111110")},
        // Below the smallest exponent: 2.5e-128 is 2e-128, 3.5e-128 is 4e-128.
        {"25e-129", "0", NTXDecimalNumber(2, -128)},
        {"35e-129", "0", NTXDecimalNumber(4, -128)},
        {"-35e-129", "0", NTXDecimalNumber(-4, -128)},
    };
    for (const auto &c : cases)
        EXPECT_EQ((number(c.a) + number(c.b)).toString(), c.sum.toString()) << c.a << " + " << c.b;
    EXPECT_EQ(number("25e-129"), NTXDecimalNumber(2, -128));
    EXPECT_EQ(number(qPrintable(digits38)).toString(), digits38);
    // A 39th digit is rounded, not cut.
    EXPECT_EQ(number("12345678901234567890123456789012345677.6").toString(),
              QStringLiteral("12345678901234567890123456789012345678"));
}

// An exact signed decimal: digits × 10^exponent, as long as it needs to be.
struct Exact
{
    bool negative = false;
    std::string digits; // no leading zeros; "" is zero
    int exponent = 0;
};

Exact exactOf(const QString &text)
{
    Exact e;
    QString t = text;
    if (t.startsWith(u'-')) {
        e.negative = true;
        t.remove(0, 1);
    }
    const qsizetype point = t.indexOf(u'.');
    if (point >= 0) {
        e.exponent = -int(t.size() - point - 1);
        t.remove(point, 1);
    }
    e.digits = t.toStdString();
    e.digits.erase(0, std::min(e.digits.find_first_not_of('0'), e.digits.size()));
    return e;
}

// |a| compared with |b|, both at the same exponent.
int compareMagnitudes(std::string a, std::string b)
{
    const size_t width = std::max(a.size(), b.size());
    a.insert(0, width - a.size(), '0');
    b.insert(0, width - b.size(), '0');
    return a < b ? -1 : a > b ? 1 : 0;
}

// a + b exactly, schoolbook, at the smaller exponent.
Exact exactSum(Exact a, Exact b)
{
    const int exponent = std::min(a.exponent, b.exponent);
    a.digits.append(size_t(a.exponent - exponent), '0');
    b.digits.append(size_t(b.exponent - exponent), '0');
    if (compareMagnitudes(a.digits, b.digits) < 0)
        std::swap(a, b);
    const size_t width = a.digits.size() + 1;
    a.digits.insert(0, width - a.digits.size(), '0');
    b.digits.insert(0, width - b.digits.size(), '0');
    Exact sum{a.negative, std::string(width, '0'), exponent};
    int carry = 0;
    for (size_t i = width; i-- > 0;) {
        int d = a.digits[i] - '0' + (a.negative == b.negative ? 1 : -1) * (b.digits[i] - '0') + carry;
        carry = d < 0 ? -1 : d / 10;
        sum.digits[i] = char('0' + (d + 10) % 10);
    }
    sum.digits.erase(0, std::min(sum.digits.find_first_not_of('0'), sum.digits.size()));
    return sum;
}

// The answer is the 38-digit number nearest to the exact value: it has at most 38
// digits, lies within half a unit of the exact value's 38th digit, and on a tie
// its last digit is even.
void expectNearest(const Exact &exact, const NTXDecimalNumber &answer, const std::string &what)
{
    const Exact got = exactOf(answer.toString());
    std::string significant = got.digits;
    significant.erase(std::min(significant.find_last_not_of('0') + 1, significant.size()));
    ASSERT_LE(significant.size(), 38u) << what;
    Exact negated = got;
    negated.negative = !got.negative;
    const Exact error = exactSum(exact, negated);
    if (exact.digits.size() <= 38) {
        EXPECT_TRUE(error.digits.empty()) << what << " = " << qPrintable(answer.toString());
        return;
    }
    // Half a unit of the 38th digit, at the error's exponent.
    const int unitExponent = exact.exponent + int(exact.digits.size()) - 38;
    std::string half = "5";
    half.append(size_t(unitExponent - 1 - error.exponent), '0');
    const int against = compareMagnitudes(error.digits, half);
    EXPECT_LE(against, 0) << what << " = " << qPrintable(answer.toString());
    if (against == 0) {
        // The answer's digit in the place of that unit.
        const long place = long(got.digits.size()) - 1 - long(unitExponent - got.exponent);
        const int digit = place >= 0 && place < long(got.digits.size()) ? got.digits[size_t(place)] - '0' : 0;
        EXPECT_EQ(digit % 2, 0) << what << " = " << qPrintable(answer.toString());
    }
}

// Random operands at the 38-digit limit, some made to fall on a half, against an
// exact sum: every sum and every reading rounds once, to the nearest, halves to even.
TEST(DecimalNumber, SumsAndReadingsAreTheNearest38DigitNumber)
{
    std::mt19937 random(20261209);
    const auto digitsOf = [&random](int count) {
        std::string d(size_t(count), '0');
        for (char &c : d)
            c = char('0' + random() % 10);
        d[0] = char('1' + random() % 9);
        return d;
    };
    const auto textOf = [](bool negative, const std::string &digits, int exponent) {
        return QString::fromStdString((negative ? "-" : "") + digits + "e" + std::to_string(exponent));
    };
    for (int step = 0; step < 4000; ++step) {
        const std::string what = "step " + std::to_string(step);
        Exact a{random() % 2 == 0, digitsOf(38 - int(random() % 3)), int(random() % 7) - 3};
        Exact b{random() % 2 == 0, digitsOf(1 + int(random() % 38)), a.exponent - int(random() % 42)};
        if (random() % 3 == 0) {
            // A half of the last place: the second operand ends in 5 just below it.
            b.digits.back() = '5';
            b.exponent = a.exponent - 1 - int(random() % 2);
        }
        const NTXDecimalNumber x = *NTXDecimalNumber::fromString(textOf(a.negative, a.digits, a.exponent));
        const NTXDecimalNumber y = *NTXDecimalNumber::fromString(textOf(b.negative, b.digits, b.exponent));
        expectNearest(a, x, what + " reading");
        expectNearest(b, y, what + " reading");
        expectNearest(exactSum(a, b), x + y, what + " sum");
        expectNearest(exactSum(b, a), y + x, what + " sum, swapped");
        // A text of more digits than a number holds is rounded, not cut.
        const Exact longer{a.negative, a.digits + digitsOf(1 + int(random() % 4)), a.exponent};
        expectNearest(longer, *NTXDecimalNumber::fromString(textOf(longer.negative, longer.digits, longer.exponent)),
                      what + " long reading");
        if (HasFailure())
            return;
    }
}

TEST(DecimalNumber, ReadsDecimalTextOnly)
{
    const struct {
        const char *text;
        const char *value; // nullptr: not a number
    } cases[] = {
        {"0", "0"},        {"-0.0", "0"},          {"+12.500", "12.5"}, {".5", "0.5"},   {"3.", "3"},
        {"1.2e3", "1200"}, {"12E-5", "0.00012"},   {"", nullptr},       {".", nullptr},  {"1e", nullptr},
        {"0x10", nullptr}, {"12abc", nullptr},     {"- 1", nullptr},    {"1e3.5", nullptr},
    };
    for (const auto &c : cases) {
        const std::optional<NTXDecimalNumber> number = NTXDecimalNumber::fromString(QString::fromLatin1(c.text));
        if (c.value)
            EXPECT_EQ(number ? number->toString() : QStringLiteral("none"), QString::fromLatin1(c.value)) << c.text;
        else
            EXPECT_FALSE(number.has_value()) << c.text;
    }
    EXPECT_EQ(NTXDecimalNumber(150, -2), NTXDecimalNumber(15, -1));
    EXPECT_DOUBLE_EQ(NTXDecimalNumber(-125, -3).toDouble(), -0.125);
}

TEST(DecimalNumber, OverflowRaisesAndUnderflowIsZero)
{
    const NTXDecimalNumber largest = *NTXDecimalNumber::fromString(QStringLiteral("9.9e164"));
    try {
        (void)(largest + largest);
        ADD_FAILURE() << "no overflow";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), NTXDecimalNumber::OverflowException);
    }
    EXPECT_THROW((void)NTXDecimalNumber::fromString(QStringLiteral("1e400")), platform::Exception);
    EXPECT_EQ(NTXDecimalNumber::fromString(QStringLiteral("1e-400"))->toString(), QStringLiteral("0"));
}

} // namespace
