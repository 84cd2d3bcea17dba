#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Bundle.h"

#include <gtest/gtest.h>

using platform::NumberFormatter;

TEST(NumberFormatter, PatternLocaleAndQuotedLiterals)
{
    struct Case { const char *locale; const char *pattern; double value; const char *shown; };
    const Case cases[] = {
        {"en_US", "#0.00'%'", 12.5, "12.50%"},
        {"de_DE", "#0.00'%'", 12.5, "12,50%"},
        {"en_US", "#0", 1234567.0, "1234567"},
        {"de_DE", "#0.0000", 1234.5, "1234,5000"},
        {"en_US", "#0.00' cm'", 2.54, "2.54 cm"},
        {"en_US", "#0'°'", 90.0, "90°"},
    };
    for (const Case &c : cases) {
        NumberFormatter formatter;
        formatter.setLocaleName(QString::fromLatin1(c.locale));
        ASSERT_TRUE(formatter.setFormat(QString::fromUtf8(c.pattern))) << c.pattern;
        EXPECT_EQ(formatter.stringForObjectValue(c.value), QString::fromUtf8(c.shown)) << c.pattern;
        QVariant read;
        ASSERT_TRUE(formatter.getObjectValue(read, QString::fromUtf8(c.shown), nullptr)) << c.shown;
        EXPECT_DOUBLE_EQ(read.toDouble(), c.value) << c.shown;
    }
    EXPECT_EQ(NumberFormatter::quotedLiteral(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(NumberFormatter().stringForObjectValue(QVariant()), QString());
}

TEST(NumberFormatter, RefusesWhatIsNotAFiniteNumberInRange)
{
    NumberFormatter formatter;
    formatter.setLocaleName(QStringLiteral("en_US"));
    formatter.setFormat(QStringLiteral("#0.00'%'"));
    formatter.setMinimum(-10.0);
    formatter.setMaximum(100.0);
    QVariant value(42.0);
    QString error;
    for (const char *text : {"abc", "1e400", "inf", "nan", "", "12x", "101", "-10.5"}) {
        error.clear();
        EXPECT_FALSE(formatter.getObjectValue(value, QString::fromLatin1(text), &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
        EXPECT_EQ(value.toDouble(), 42.0) << "a refused text leaves the value";
    }
    EXPECT_TRUE(formatter.getObjectValue(value, QStringLiteral("12.5"), nullptr)) << "without its suffix too";
    EXPECT_EQ(value.toDouble(), 12.5);
    EXPECT_FALSE(formatter.setFormat(QStringLiteral("#0.0'"))) << "an open quote";
    EXPECT_EQ(formatter.format(), QStringLiteral("#0.00'%'"));
    auto copy = formatter.clone();
    EXPECT_EQ(copy->stringForObjectValue(3.0), QStringLiteral("3.00%"));
}

TEST(Bundle, LookUpWithDefault)
{
    platform::Bundle &bundle = platform::Bundle::bundleNamed(QStringLiteral("TestDefaults"));
    ASSERT_TRUE(bundle.addStringsTable(QStringLiteral("T"), u"\"A\" = \"a\";"));
    EXPECT_EQ(bundle.localizedString(QStringLiteral("A"), QStringLiteral("T"), QString()), QStringLiteral("a"));
    EXPECT_EQ(bundle.localizedString(QStringLiteral("B"), QStringLiteral("T"), QStringLiteral("")), QStringLiteral(""));
    EXPECT_EQ(bundle.localizedString(QStringLiteral("B"), QStringLiteral("None"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(bundle.localizedString(QStringLiteral("B"), QStringLiteral("T")), QStringLiteral("B")) << "unchanged";
}
