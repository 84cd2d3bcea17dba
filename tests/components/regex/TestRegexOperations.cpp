#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"

#include <gtest/gtest.h>

#include <utility>

using namespace regextest;

namespace {

template <size_t... I>
std::optional<RGXDictionary> withPairs(const QStringList &keys, std::index_sequence<I...>)
{
    return dictionaryByMatchingRegex(QStringLiteral("xa"), QStringLiteral("(a)"), {RGXKeyCapture{keys[I], 1}...});
}

TEST(RegexOperations, AGroupThatTookNoPartAndEmptyMatches)
{
    const QString s = QStringLiteral("a b");
    EXPECT_EQ(rangeOfRegex(s, QStringLiteral("(x)|b"), 1), Range());
    EXPECT_EQ(rangeOfRegex(s, QStringLiteral("(x)|b")), Range(2, 1));
    EXPECT_TRUE(stringByMatching(s, QStringLiteral("(x)|b"), 1).isNull());
    const QString empty = stringByMatching(s, QStringLiteral("z*"));
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(stringByMatching(s, QStringLiteral("\\w"), Range(1, 2)), QStringLiteral("b"));
    EXPECT_EQ(componentsMatchedByRegex(s, QStringLiteral("(a)|b"), 1), (QStringList{u"a"_qs, u""_qs}));
    EXPECT_TRUE(isMatchedByRegex(s, QStringLiteral("B"), UREGEX_CASE_INSENSITIVE, WholeString, nullptr));
    EXPECT_FALSE(isMatchedByRegex(s, QStringLiteral("a"), Range(1, 2)));
    EXPECT_EQ(componentsSeparatedByRegex(s, QStringLiteral(" ")), (QStringList{u"a"_qs, u"b"_qs}));
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(s, QStringLiteral("(\\w)")),
              (QList<QStringList>{{u"a"_qs, u"a"_qs}, {u"b"_qs, u"b"_qs}}));
    EXPECT_EQ(arrayOfDictionariesByMatchingRegex(s, QStringLiteral("(a)|(b)"), {{u"A"_qs, 1}, {u"B"_qs, 2}}),
              (QList<RGXDictionary>{{{u"A"_qs, u"a"_qs}}, {{u"B"_qs, u"b"_qs}}}));
    EXPECT_EQ(dictionaryByMatchingRegex(s, QStringLiteral("(a) (b)"), 0, WholeString, nullptr,
                                        QStringList{u"one"_qs, u"two"_qs}, QList<int>{1, 2}),
              (RGXDictionary{{u"one"_qs, u"a"_qs}, {u"two"_qs, u"b"_qs}}));
}

TEST(RegexOperations, NoMatchGivesEmptyResultsAndABadPatternGivesNothing)
{
    const QString s = QStringLiteral("abc");
    EXPECT_EQ(captureComponentsMatchedByRegex(s, QStringLiteral("(x)")), QStringList());
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(s, QStringLiteral("(x)")), QList<QStringList>());
    EXPECT_EQ(dictionaryByMatchingRegex(s, QStringLiteral("(x)"), {{u"k"_qs, 1}}), RGXDictionary());
    EXPECT_EQ(componentsMatchedByRegex(s, QStringLiteral("x")), QStringList());

    const QString bad = QStringLiteral("a(");
    EXPECT_FALSE(componentsSeparatedByRegex(s, bad));
    EXPECT_FALSE(componentsMatchedByRegex(s, bad));
    EXPECT_FALSE(captureComponentsMatchedByRegex(s, bad));
    EXPECT_FALSE(arrayOfCaptureComponentsMatchedByRegex(s, bad));
    EXPECT_FALSE(dictionaryByMatchingRegex(s, bad, {{u"k"_qs, 0}}));
    EXPECT_FALSE(arrayOfDictionariesByMatchingRegex(s, bad, {{u"k"_qs, 0}}));
    EXPECT_FALSE(isMatchedByRegex(s, bad));
    EXPECT_TRUE(rangeOfRegex(s, bad).isNotFound());
    EXPECT_TRUE(stringByMatching(s, bad).isNull());
    platform::Error error;
    EXPECT_FALSE(componentsSeparatedByRegex(s, bad, 0, WholeString, &error));
    EXPECT_EQ(error.code(), U_REGEX_MISMATCHED_PAREN);
}

TEST(RegexOperations, APairListIsCutAtSixtyTwo)
{
    QStringList keys;
    for (int i = 0; i < 62; ++i)
        keys.append(QStringLiteral("k%1").arg(i));
    keys.append(QString()); // a null 63rd key would be refused if it were taken
    const auto d = withPairs(keys, std::make_index_sequence<63>());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->size(), 62);
    EXPECT_EQ(d->value(u"k61"_qs), QStringLiteral("a"));

    const auto e = raised([] {
        dictionaryByMatchingRegex(QStringLiteral("a"), QStringLiteral("(a)"), {{u"k"_qs, 1}, {QString(), 0}});
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason(), QStringLiteral("*** -[NSString dictionaryByMatchingRegex:withKeysAndCaptures:]: "
                                          "The capture key (key 2 of 2) is NULL."));
    // The same for the dictionary of every match.
    const auto all = raised([] {
        arrayOfDictionariesByMatchingRegex(QStringLiteral("aa"), QStringLiteral("(a)"), {{u"k"_qs, 1}, {QString(), 0}});
    });
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->reason().endsWith(u"The capture key (key 2 of 2) is NULL.")) << qPrintable(all->reason());
}

} // namespace
