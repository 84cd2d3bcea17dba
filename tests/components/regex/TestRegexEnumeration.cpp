#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace regextest;

namespace {

QStringList separated(const QString &s, const QString &regex)
{
    QStringList out;
    EXPECT_TRUE(enumerateStringsSeparatedByRegex(s, regex, [&](qsizetype count, const QString *strings, const Range *, bool *) {
        out.append(QStringList(strings, strings + count).join(u'|'));
    }));
    return out;
}

TEST(RegexEnumeration, PiecesMatchesStopAndNil)
{
    EXPECT_EQ(separated(QStringLiteral("a,b"), QStringLiteral(",")), (QStringList{u"a"_qs, u"b"_qs}));
    EXPECT_EQ(separated(QStringLiteral("a,b,"), QStringLiteral(",")), (QStringList{u"a"_qs, u"b"_qs}));
    EXPECT_EQ(separated(QStringLiteral("a1b2c"), QStringLiteral("(\\d)")), (QStringList{u"a|1"_qs, u"b|2"_qs, u"c"_qs}));
    EXPECT_EQ(separated(QStringLiteral("abc"), QStringLiteral("(?:)")), (QStringList{u"a"_qs, u"b"_qs, u"c"_qs}));

    int calls = 0;
    EXPECT_TRUE(enumerateStringsMatchedByRegex(QStringLiteral("abc"), QStringLiteral("x"),
                                               [&](qsizetype, const QString *, const Range *, bool *) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(QStringLiteral("xabcx"), QStringLiteral("z"), 0, Range(1, 3), nullptr, 0,
                                                  [](qsizetype, const QString *, const Range *, bool *) { return u"!"_qs; }),
              QStringLiteral("abc"));

    const auto stopFirst = [&](qsizetype, const QString *strings, const Range *, bool *stop) {
        ++calls;
        *stop = true;
        return strings[0].toUpper();
    };
    calls = 0;
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(QStringLiteral("ab ab ab"), QStringLiteral("b"), stopFirst),
              QStringLiteral("aB ab ab"));
    EXPECT_EQ(calls, 1);
    QString receiver = QStringLiteral("a1b2");
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, QStringLiteral("\\d"),
                                        [](qsizetype, const QString *, const Range *, bool *) { return QString(); }),
              2);
    EXPECT_EQ(receiver, QStringLiteral("ab"));
}

TEST(RegexEnumeration, OptionsStringsAndRanges)
{
    const QString s = QString::fromUtf16(u"x\U0001F600y");
    QList<Range> ranges;
    EXPECT_TRUE(enumerateStringsMatchedByRegex(s, QStringLiteral("(.)"), 0, WholeString, nullptr,
                                               RGXRegexEnumerationCapturedStringsNotRequired,
                                               [&](qsizetype count, const QString *strings, const Range *r, bool *) {
                                                   EXPECT_EQ(strings, nullptr);
                                                   ranges.append(QList<Range>(r, r + count));
                                               }));
    EXPECT_EQ(ranges, (QList<Range>{{0, 1}, {0, 1}, {1, 2}, {1, 2}, {3, 1}, {3, 1}}));

    QStringList kept;
    EXPECT_TRUE(enumerateStringsMatchedByRegex(s, QStringLiteral("."), 0, WholeString, nullptr,
                                               RGXRegexEnumerationReusedCaptureStrings,
                                               [&](qsizetype, const QString *strings, const Range *, bool *) {
                                                   EXPECT_FALSE(strings[0].data_ptr().isMutable()); // a view
                                                   kept.append(QString(strings[0].constData(), strings[0].size()));
                                               }));
    EXPECT_EQ(kept, (QStringList{u"x"_qs, QString::fromUtf16(u"\U0001F600"), u"y"_qs}));

    const auto block = [](qsizetype, const QString *, const Range *, bool *) {};
    for (const std::uint32_t bad : {0x200u | 0x800u, 0x400u, 0x1u}) {
        const auto e = raised([&] {
            enumerateStringsMatchedByRegex(s, QStringLiteral("."), 0, WholeString, nullptr, bad, block);
        });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->reason(), QStringLiteral("*** -[NSString enumerateStringsMatchedByRegex:options:inRange:error:"
                                              "enumerationOptions:usingBlock:]: The RGXRegexEnumerationOptions argument is not valid."));
    }
    EXPECT_TRUE(stringByReplacingOccurrencesOfRegex(s, QStringLiteral("."), 0, WholeString, nullptr,
                                                    RGXRegexEnumerationReplacementOwned,
                                                    [](qsizetype, const QString *, const Range *, bool *) { return u"-"_qs; })
                    .has_value());
    platform::Error error;
    EXPECT_FALSE(enumerateStringsMatchedByRegex(s, QStringLiteral("("), 0, WholeString, &error, 0, block));
    EXPECT_EQ(error.code(), U_REGEX_MISMATCHED_PAREN);
}

TEST(RegexEnumeration, BlocksMayChangeTheReceiverUseTheLayerOrThrow)
{
    QString receiver = QStringLiteral("a,b,c");
    QStringList seen;
    EXPECT_TRUE(enumerateStringsSeparatedByRegex(receiver, QStringLiteral(","),
                                                 [&](qsizetype, const QString *strings, const Range *, bool *) {
                                                     seen.append(strings[0]);
                                                     receiver = QStringLiteral("zzzzzzzzz");
                                                     EXPECT_EQ(componentsSeparatedByRegex(receiver, QStringLiteral("z+")), QStringList());
                                                 }));
    EXPECT_EQ(seen, (QStringList{u"a"_qs, u"b"_qs, u"c"_qs}));

    EXPECT_THROW(enumerateStringsMatchedByRegex(QStringLiteral("aaa"), QStringLiteral("a"),
                                                [](qsizetype, const QString *, const Range *, bool *) {
                                                    throw std::runtime_error("from the block");
                                                }),
                 std::runtime_error);
    int calls = 0;
    EXPECT_TRUE(enumerateStringsMatchedByRegex(QStringLiteral("aaa"), QStringLiteral("a"),
                                               [&](qsizetype, const QString *, const Range *, bool *) { ++calls; }));
    EXPECT_EQ(calls, 3);
}

// An ICU failure half-way is a failure, not a short success.
TEST(RegexEnumeration, AnICUFailureHalfWayIsReported)
{
    const QString subject = QStringLiteral("x") + QString(1000000, QLatin1Char('a'));
    const QString regex = QStringLiteral("x|(?:a|b)*c");
    int calls = 0;
    platform::Error error;
    EXPECT_FALSE(enumerateStringsMatchedByRegex(subject, regex, 0, WholeString, &error, 0,
                                                [&](qsizetype, const QString *, const Range *, bool *) { ++calls; }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(error.domain(), QStringLiteral("RGXICURegexErrorDomain"));
    EXPECT_EQ(error.code(), U_REGEX_STACK_OVERFLOW);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("An unexpected error occurred."));

    const auto upper = [](qsizetype, const QString *strings, const Range *, bool *) { return strings[0].toUpper(); };
    EXPECT_FALSE(stringByReplacingOccurrencesOfRegex(subject, regex, 0, WholeString, nullptr, 0, upper));
    QString receiver = subject;
    error = platform::Error();
    EXPECT_EQ(replaceOccurrencesOfRegex(receiver, regex, 0, WholeString, &error, 0, upper), -1);
    EXPECT_EQ(receiver, subject);
    EXPECT_EQ(error.code(), U_REGEX_STACK_OVERFLOW);
}

} // namespace
