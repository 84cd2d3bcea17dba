#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"

#include <gtest/gtest.h>

#include <thread>

using namespace regextest;

namespace {

const QString E = QStringLiteral("");

TEST(RegexCore, SplitsDropTrailingEmptyPiecesAndPutGroupsAfterPieces)
{
    struct Case { const char16_t *regex, *subject; QStringList expected; };
    const Case cases[] = {
        {u",", u"a,b,", {u"a"_qs, u"b"_qs}},
        {u",", u",a", {E, u"a"_qs}},
        {u",", u"", {}},
        {u",", u"abc", {u"abc"_qs}},
        {u"(\\d)", u"a1b2c", {u"a"_qs, u"1"_qs, u"b"_qs, u"2"_qs, u"c"_qs}},
        {u"(\\d)|x", u"a1bxc", {u"a"_qs, u"1"_qs, u"b"_qs, E, u"c"_qs}},
        {u"(?:)", u"abc", {u"a"_qs, u"b"_qs, u"c"_qs}},
        {u",*", u"a,b", {u"a"_qs, u"b"_qs}},
    };
    for (const Case &c : cases) {
        const QString regex = QString::fromUtf16(c.regex), subject = QString::fromUtf16(c.subject);
        EXPECT_EQ(strings(RGXSplitOp, regex, subject), c.expected) << qPrintable(regex) << " " << qPrintable(subject);
    }
    EXPECT_EQ(strings(RGXSplitOp, QStringLiteral(","), QStringLiteral("x,a,b,y"), Range(2, 3)),
              (QStringList{u"a"_qs, u"b"_qs}));
    EXPECT_EQ(strings(RGXSplitOp, QStringLiteral(","), QStringLiteral("abc"), Range(1, 0)), QStringList());
}

TEST(RegexCore, MatchesCapturesAndRanges)
{
    const QString subject = QStringLiteral("a1 b c3");
    EXPECT_EQ(strings(RGXMatchedStringsOp, QStringLiteral("[a-z](\\d)?"), subject, WholeString, 1),
              (QStringList{u"1"_qs, E, u"3"_qs}));
    EXPECT_EQ(strings(RGXCapturesArrayOp, QStringLiteral("([a-z])(\\d)"), subject),
              (QStringList{u"a1"_qs, u"a"_qs, u"1"_qs}));
    const auto all = run(RGXAllCapturesOp | RGXArrayPerMatchBit, QStringLiteral("([a-z])(\\d)?"), subject);
    ASSERT_TRUE(all);
    EXPECT_EQ(std::get<QList<QStringList>>(*all),
              (QList<QStringList>{{u"a1"_qs, u"a"_qs, u"1"_qs}, {u"b"_qs, u"b"_qs, E}, {u"c3"_qs, u"c"_qs, u"3"_qs}}));
    EXPECT_EQ(strings(RGXCapturesArrayOp, QStringLiteral("z"), subject), QStringList());
    EXPECT_EQ(rangeOf(QStringLiteral("(x)|b"), subject, WholeString, 1), Range());
    EXPECT_EQ(rangeOf(QStringLiteral("\\d"), subject, Range(3, 4)), Range(6, 1));
    // A surrogate pair is two units everywhere; "." takes it whole.
    const QString pair = QString::fromUtf16(u"a\U0001F600b\0c", 6);
    EXPECT_EQ(rangeOf(QString::fromUtf16(u"\U0001F600"), pair), Range(1, 2));
    EXPECT_EQ(rangeOf(QStringLiteral("b"), pair), Range(3, 1));
    EXPECT_EQ(rangeOf(QStringLiteral("c"), pair), Range(5, 1));
    EXPECT_EQ(strings(RGXMatchedStringsOp, QStringLiteral("."), pair, Range(0, 4)),
              (QStringList{u"a"_qs, QString::fromUtf16(u"\U0001F600"), u"b"_qs}));
}

TEST(RegexCore, DictionariesLeaveOutKeysWhoseCaptureTookNoPart)
{
    const QString keys[] = {u"first"_qs, u"second"_qs, u"whole"_qs};
    const int captures[] = {1, 2, 0};
    Range range = WholeString;
    const auto one = rgx_performRegexOp(TestMethod, RGXCaptureDictionaryOp, QStringLiteral("(a)|(b)"), 0, 0,
                                        QStringLiteral("xb a"), &range, nullptr, nullptr, nullptr, 3, keys, captures);
    ASSERT_TRUE(one);
    EXPECT_EQ(std::get<RGXDictionary>(*one), (RGXDictionary{{u"second"_qs, u"b"_qs}, {u"whole"_qs, u"b"_qs}}));
    range = WholeString;
    const auto many = rgx_performRegexOp(TestMethod, RGXAllCaptureDictionariesOp, QStringLiteral("(a)|(b)"), 0, 0,
                                         QStringLiteral("xb a"), &range, nullptr, nullptr, nullptr, 2, keys, captures);
    ASSERT_TRUE(many);
    EXPECT_EQ(std::get<QList<RGXDictionary>>(*many),
              (QList<RGXDictionary>{{{u"second"_qs, u"b"_qs}}, {{u"first"_qs, u"a"_qs}}}));
    range = WholeString;
    const auto none = rgx_performRegexOp(TestMethod, RGXCaptureDictionaryOp, QStringLiteral("(q)"), 0, 0,
                                         QStringLiteral("xb a"), &range, nullptr, nullptr, nullptr, 1, keys, captures);
    ASSERT_TRUE(none);
    EXPECT_TRUE(std::get<RGXDictionary>(*none).isEmpty());

    const int bad[] = {1, 3};
    range = WholeString;
    const auto e = raised([&] {
        rgx_performRegexOp(TestMethod, RGXCaptureDictionaryOp, QStringLiteral("(a)|(b)"), 0, 0, QStringLiteral("a"),
                           &range, nullptr, nullptr, nullptr, 2, keys, bad);
    });
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->reason().endsWith(u"The capture argument 3 (capture 2 of 2) for key 'second' is not valid."));
}

TEST(RegexCore, BadArgumentsRaiseTheMethodMessage)
{
    auto e = raised([] { rangeOf(QStringLiteral("(a)"), QStringLiteral("abc"), WholeString, 2); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QStringLiteral("NSInvalidArgumentException"));
    EXPECT_EQ(e->reason(),
              QStringLiteral("*** -[NSString rangeOfRegex:options:inRange:capture:error:]: The capture argument is not valid."));
    EXPECT_FALSE(raised([] { rangeOf(QStringLiteral("a"), QStringLiteral("abc"), WholeString, 0); }));

    for (const Range bad : {Range(2, 2), Range(1, UpToEnd), Range(-1, 1), Range(4, 0), Range(Range::NotFound, 0)}) {
        e = raised([&] { rangeOf(QStringLiteral("a"), QStringLiteral("abc"), bad); });
        ASSERT_TRUE(e) << bad.location << "," << bad.length;
        EXPECT_EQ(e->name(), QStringLiteral("NSRangeException"));
        EXPECT_EQ(e->reason(),
                  QStringLiteral("*** -[NSString rangeOfRegex:options:inRange:capture:error:]: Range or index out of bounds."));
    }
    e = raised([] { run(RGXSplitOp, QString(), QStringLiteral("a")); });
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->reason().endsWith(u"The regular expression argument is NULL."));
    e = raised([] { run(RGXSplitOp, QStringLiteral("a"), QString()); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QStringLiteral("NSInternalInconsistencyException"));
    e = raised([] { run(9, QStringLiteral("a"), QStringLiteral("a")); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QStringLiteral("NSInternalInconsistencyException"));
    EXPECT_EQ(e->userInfo().value(QStringLiteral("file")).toString(), QStringLiteral("RGXRegex/RGXRegex"));
}

TEST(RegexCore, ManyMatchesGrowTheRangeArrayAndGiveTheSameStrings)
{
    for (const int pieces : {10, 2049, 5000, 30000}) {
        QStringList expected;
        for (int i = 0; i < pieces; ++i)
            expected.append(QString::number(i));
        const QString subject = expected.join(u',');
        EXPECT_EQ(strings(RGXSplitOp, QStringLiteral(","), subject), expected) << pieces;
        EXPECT_EQ(strings(RGXMatchedStringsOp, QStringLiteral("\\d+"), subject), expected) << pieces;
        const auto groups = run(RGXAllCapturesOp | RGXArrayPerMatchBit, QStringLiteral("(\\d)(\\d*)"), subject);
        ASSERT_TRUE(groups);
        EXPECT_EQ(std::get<QList<QStringList>>(*groups).size(), pieces);
        EXPECT_EQ(std::get<QList<QStringList>>(*groups).last().first(), expected.last());
    }
}

TEST(RegexCore, AnICUFailureRaisesAndReleasesTheLock)
{
    const QString subject = QStringLiteral("x") + QString(1000000, QLatin1Char('a'));
    const auto e = raised([&] { strings(RGXMatchedStringsOp, QStringLiteral("x|(?:a|b)*c"), subject); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QStringLiteral("RGXICURegexException"));
    EXPECT_EQ(e->userInfo().value(QStringLiteral("RGXICURegexErrorCode")).toInt(), U_REGEX_STACK_OVERFLOW);
    EXPECT_EQ(e->reason(), QStringLiteral("*** -[NSString rangeOfRegex:options:inRange:capture:error:]: "
                                          "ICU regular expression error #%1, U_REGEX_STACK_OVERFLOW.")
                               .arg(int(U_REGEX_STACK_OVERFLOW)));
    QStringList other;
    std::thread t([&] { other = strings(RGXMatchedStringsOp, QStringLiteral("x"), subject); });
    t.join();
    EXPECT_EQ(other, QStringList{u"x"_qs});
}

} // namespace
