#include "FoundationExtensions/NTXNumberTextField.h"
#include "FoundationExtensions/NTXNumberValueFormatter.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

struct EnglishLocale
{
    QLocale saved;
    EnglishLocale() { QLocale::setDefault(QLocale(QStringLiteral("en_US"))); }
    ~EnglishLocale() { QLocale::setDefault(saved); }
};

} // namespace

TEST(NumberValueFormatter, ShowTypesAndDigits)
{
    EnglishLocale english;
    NTXNumberValueFormatter formatter;
    EXPECT_EQ(formatter.showNumberType(), 1);
    EXPECT_EQ(formatter.numberOfDigitsAfterPoint(), 2u);
    EXPECT_EQ(formatter.stringForObjectValue(12.5), QStringLiteral("12.50%")) << "the percent sign never scales";
    struct Case { int type; unsigned digits; double value; const char *shown; };
    const Case cases[] = {
        {0, 2, 3.14159, "3.14"},     {2, 1, 90.0, "90.0°"},  {3, 0, 7.6, "8‰"},
        {5, 0, 7.0, "7‰"},           {1, 0, 1234.0, "1234%"}, {0, 4, 0.0, "0.0000"},
    };
    for (const Case &c : cases) {
        formatter.setShowNumberType(c.type);
        formatter.setNumberOfDigitsAfterPoint(c.digits);
        EXPECT_EQ(formatter.stringForObjectValue(c.value), QString::fromUtf8(c.shown)) << c.type << " " << c.digits;
    }
}

TEST(NumberTextField, StartsAsPercentWithFourDigitsAndRefusesNonFinite)
{
    EnglishLocale english;
    NTXNumberTextField field;
    EXPECT_EQ(field.cell()->title(), QStringLiteral("0.0000%"));
    EXPECT_TRUE(field.cell()->wraps());
    field.setNumberOfDigitsAfterPoint(2);
    field.setDoubleValue(12.5);
    EXPECT_EQ(field.cell()->title(), QStringLiteral("12.50%"));
    field.setMaximum(100.0);
    for (const char *text : {"1e400", "inf", "nan", "-inf", "101"})
        EXPECT_FALSE(field.takeText(QString::fromLatin1(text))) << text;
    EXPECT_EQ(field.doubleValue(), 12.5);
    EXPECT_TRUE(field.takeText(QStringLiteral("33.3%")));
    EXPECT_DOUBLE_EQ(field.doubleValue(), 33.3);
    EXPECT_EQ(NTXNumberTextField::inspectorClassName(), QStringLiteral("NTXNumberTextFieldInspector"));
}

TEST(NumberTextField, KeyedArchiveRoundTrip)
{
    EnglishLocale english;
    NTXNumberTextField field;
    field.setShowNumberType(2);
    field.setNumberOfDigitsAfterPoint(1);
    field.setMinimum(-90.0);
    field.setMaximum(90.0);
    platform::KeyedArchiver archiver;
    field.encodeWithCoder(archiver);
    NTXNumberValueFormatter formatter;
    formatter.setShowNumberType(0);
    formatter.setNumberOfDigitsAfterPoint(3);
    platform::KeyedArchiver formatterArchiver;
    formatter.encodeWithCoder(formatterArchiver);
    const auto bytes = archiver.finishEncoding();
    const auto formatterBytes = formatterArchiver.finishEncoding();
    ASSERT_TRUE(bytes && formatterBytes);

    platform::KeyedUnarchiver unarchiver(*bytes);
    std::unique_ptr<NTXNumberTextField> decoded(NTXNumberTextField::fromCoder(unarchiver));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->showNumberType(), 2);
    EXPECT_EQ(decoded->numberOfDigitsAfterPoint(), 1u);
    EXPECT_EQ(decoded->minimum(), -90.0);
    EXPECT_EQ(decoded->maximum(), 90.0);
    EXPECT_FALSE(decoded->cell()->wraps()) << "a decoded field does not wrap";
    decoded->setDoubleValue(45.25);
    EXPECT_EQ(decoded->cell()->title(), QStringLiteral("45.2°"));

    platform::KeyedUnarchiver formatterReader(*formatterBytes);
    NTXNumberValueFormatter readBack;
    ASSERT_TRUE(readBack.initWithCoder(formatterReader));
    EXPECT_EQ(readBack.showNumberType(), 0);
    EXPECT_EQ(readBack.numberOfDigitsAfterPoint(), 3u);

    platform::KeyedArchiver bad;
    bad.encodeInt32(1, QStringLiteral("showType"));
    bad.encodeInt32(-4, QStringLiteral("numberOfDigitsAfterPoint"));
    const auto badBytes = bad.finishEncoding();
    ASSERT_TRUE(badBytes);
    platform::KeyedUnarchiver badReader(*badBytes);
    EXPECT_FALSE(NTXNumberTextField::fromCoder(badReader)) << "a negative digit count is refused";
    EXPECT_TRUE(badReader.failed());
}

TEST(NumberTextField, OtherCodersKeepTheOrder)
{
    testsupport::NonKeyedCoder coder;
    NTXNumberValueFormatter formatter;
    formatter.encodeWithCoder(coder);
    EXPECT_EQ(coder.calls(), 2) << "two values, show type first";
}
