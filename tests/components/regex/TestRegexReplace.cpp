#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"

#include <gtest/gtest.h>

using namespace regextest;

namespace {

TEST(RegexReplace, TemplatesAndRanges)
{
    const QString s = QStringLiteral("a1b22c");
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("(\\d+)"), QStringLiteral("<$1>")),
              QStringLiteral("a<1>b<22>c"));
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("x"), QStringLiteral("y")), s);
    // A replacement as long as what it replaces leaves a text of the same length.
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(u"abc"_qs, QStringLiteral("b"), QStringLiteral("x")), u"axc"_qs);
    const auto e = raised([&] { stringByReplacingOccurrencesOfRegex(s, QStringLiteral("."), QString()); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason(), QStringLiteral("*** -[NSString stringByReplacingOccurrencesOfRegex:withString:]: "
                                          "The replacement string argument is NULL."));
}

TEST(RegexReplace, EdgeCases)
{
    const QString s = QStringLiteral("a1b22c");
    // A template far longer than the first buffer: the second, exactly sized pass.
    const QString big(1000, QLatin1Char('x'));
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("."), big), QString(6000, QLatin1Char('x')));
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("."), QStringLiteral("")), QStringLiteral(""));
    // The range forms: only the range's text, or the receiver with the text around kept.
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("\\d"), QStringLiteral("#"), Range(1, 3)),
              QStringLiteral("#b#"));
    QString receiver = s;
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, QStringLiteral("\\d"), QStringLiteral("#"), Range(1, 3)), 2);
    EXPECT_EQ(receiver, QStringLiteral("a#b#2c"));
    // No match: count 0 and the receiver as it was.
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, QStringLiteral("z"), QStringLiteral("#")), 0);
    EXPECT_EQ(receiver, QStringLiteral("a#b#2c"));
    // An invalid expression: -1, unchanged.
    platform::Error error;
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, QStringLiteral("("), QStringLiteral("#"), 0, WholeString, &error), -1);
    EXPECT_EQ(error.code(), U_REGEX_MISMATCHED_PAREN);
    EXPECT_EQ(receiver, QStringLiteral("a#b#2c"));
    // A missing group in the template raises; the receiver stays.
    const auto e = raised([&] { replaceOccurrencesOfRegex(receiver, QStringLiteral("(b)"), QStringLiteral("$9")); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QStringLiteral("RGXICURegexException"));
    EXPECT_EQ(e->userInfo().value(QStringLiteral("RGXICURegexErrorCode")).toInt(), U_INDEX_OUTOFBOUNDS_ERROR);
    EXPECT_TRUE(e->reason().startsWith(u"*** -[NSMutableString replaceOccurrencesOfRegex:withString:]: "));
    EXPECT_EQ(receiver, QStringLiteral("a#b#2c"));
    // The receiver, once changed, is matched as its new text.
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, QStringLiteral("#"), QStringLiteral("")), 2);
    EXPECT_EQ(rangeOfRegex(receiver, QStringLiteral("2")), Range(2, 1));
}

} // namespace
