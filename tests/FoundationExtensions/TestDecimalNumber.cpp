// Decimal numbers: exact sums of decimal fractions, reading, writing and the limits.
#include "FoundationExtensions/NTXDecimalNumber.h"
#include "FoundationExtensions/NTXNSArray_Extension.h"
#include "platform/foundation/Exception.h"

#include <gtest/gtest.h>

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
        // Below the smallest exponent: 2.5e-128 is 2e-128, 3.5e-128 is 4e-128.
        {"25e-129", "0", NTXDecimalNumber(2, -128)},
        {"35e-129", "0", NTXDecimalNumber(4, -128)},
        {"-35e-129", "0", NTXDecimalNumber(-4, -128)},
    };
    for (const auto &c : cases)
        EXPECT_EQ((number(c.a) + number(c.b)).toString(), c.sum.toString()) << c.a << " + " << c.b;
    EXPECT_EQ(number("25e-129"), NTXDecimalNumber(2, -128));
    EXPECT_EQ(number(qPrintable(digits38)).toString(), digits38);
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
