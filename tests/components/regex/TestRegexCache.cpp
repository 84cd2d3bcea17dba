#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"
#include "components/regex/RGXRegexCache.h"

#include <gtest/gtest.h>

#include <map>

using namespace regextest;

namespace {

int setOf(const QString &regex, std::uint32_t options)
{
    return int((std::uint32_t(qHash(QStringView(regex), size_t(0))) ^ options) % 13);
}

TEST(RegexCache, EqualTextSharesASlotAndOtherOptionsCompileAgain)
{
    clearStringCache();
    const QString a = QStringLiteral("a+(b)");
    const QString b = QString(QStringLiteral("a+")) + QStringLiteral("(b)");
    ASSERT_NE(a.constData(), b.constData());
    const quint64 before = rgx_compileCount();
    EXPECT_EQ(captureCount(a), 1);
    EXPECT_EQ(captureCountForRegex(b), 1);
    EXPECT_EQ(rgx_compileCount(), before + 1);
    EXPECT_TRUE(isRegexValidWithOptions(b, UREGEX_CASE_INSENSITIVE, nullptr));
    EXPECT_EQ(rgx_compileCount(), before + 2);
    EXPECT_NE(rgx_cachedSlotIndex(a, 0), rgx_cachedSlotIndex(a, UREGEX_CASE_INSENSITIVE));

    clearStringCache();
    EXPECT_EQ(rgx_cachedSlotIndex(a, 0), -1);
    clearStringCache(); // harmless when empty
    EXPECT_EQ(captureCount(a), 1);
    EXPECT_EQ(rgx_compileCount(), before + 3);
}

// The same pattern, even the same string object, used with other options right after
// itself is another expression: each use answers by its own options.
TEST(RegexCache, ThePatternJustUsedAnswersByTheOptionsOfEachUse)
{
    const QString subject = QStringLiteral("xx ABC yy");
    const QString literal = QStringLiteral("abc");
    const QString heap = QString(QStringLiteral("ab")) + QChar(u'c');
    for (const QString &regex : {literal, heap}) {
        clearStringCache();
        for (int round = 0; round < 2; ++round) {
            EXPECT_FALSE(isMatchedByRegex(subject, regex, 0, WholeString, nullptr));
            EXPECT_TRUE(isMatchedByRegex(subject, regex, UREGEX_CASE_INSENSITIVE, WholeString, nullptr));
            EXPECT_EQ(rangeOfRegex(subject, regex, UREGEX_CASE_INSENSITIVE, WholeString, 0, nullptr).location, 3);
            EXPECT_EQ(rangeOfRegex(subject, regex, 0, WholeString, 0, nullptr).isNotFound(), true);
        }
    }
}

TEST(RegexCache, ASetFillsWaysThreeToZeroThenReplacesTheLeastRecentlyUsed)
{
    std::map<int, QStringList> bySet;
    int set = -1;
    for (int i = 0; set < 0; ++i) {
        const QString e = QStringLiteral("e%1").arg(i);
        QStringList &list = bySet[setOf(e, 0)];
        list.append(e);
        if (list.size() == 5)
            set = setOf(e, 0);
    }
    const QStringList e = bySet[set];
    clearStringCache();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(isRegexValid(e[i]));
        EXPECT_EQ(rgx_cachedSlotIndex(e[i], 0), 4 * set + 3 - i) << i;
    }
    EXPECT_TRUE(isRegexValid(QString(e[0]).append(QString()))); // e0 again: most recent
    EXPECT_TRUE(isRegexValid(e[4]));
    EXPECT_EQ(rgx_cachedSlotIndex(e[4], 0), 4 * set + 2);
    EXPECT_EQ(rgx_cachedSlotIndex(e[1], 0), -1);
    EXPECT_EQ(rgx_cachedSlotIndex(e[0], 0), 4 * set + 3);
}

TEST(RegexCache, ACompileErrorIsAnErrorWithTheParseDetails)
{
    platform::Error error;
    EXPECT_EQ(captureCountForRegex(QStringLiteral("("), 0, &error), -1);
    EXPECT_FALSE(isRegexValid(QStringLiteral("(")));
    EXPECT_EQ(error.domain(), QStringLiteral("RGXICURegexErrorDomain"));
    EXPECT_EQ(error.code(), U_REGEX_MISMATCHED_PAREN);
    const QVariantMap &info = error.userInfo();
    EXPECT_EQ(info.value(QStringLiteral("RGXICURegexLine")).toInt(), 1);
    EXPECT_EQ(info.value(QStringLiteral("RGXICURegexOffset")).toInt(), 1);
    EXPECT_EQ(info.value(QStringLiteral("RGXICURegexRegex")).toString(), QStringLiteral("("));
    EXPECT_EQ(info.value(QStringLiteral("RGXICURegexErrorName")).toString(), QStringLiteral("U_REGEX_MISMATCHED_PAREN"));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("There was an error compiling the regular expression."));
    EXPECT_EQ(rgx_cachedSlotIndex(QStringLiteral("("), 0), -1);
    // Through the dispatcher: no result, nothing raised.
    EXPECT_FALSE(run(RGXSplitOp, QStringLiteral("("), QStringLiteral("abc")).has_value());
    EXPECT_TRUE(rangeOf(QStringLiteral("("), QStringLiteral("abc")).isNotFound());

    const auto e = raised([] { captureCountForRegex(QString()); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason(), QStringLiteral("*** +[NSString captureCountForRegex:]: The regular expression argument is NULL."));
}

// A subject changed in place is matched as its new text, not as the copy bound before.
TEST(RegexCache, ASubjectChangedInPlaceIsMatchedAsItsNewText)
{
    QString s = QStringLiteral("xyzab");
    s.detach();
    EXPECT_EQ(rangeOf(QStringLiteral("b"), s), Range(4, 1));
    s[0] = QLatin1Char('b');
    EXPECT_EQ(rangeOf(QStringLiteral("b"), s), Range(0, 1));

    char16_t raw[] = u"xyzab";
    const QString view = QString::fromRawData(reinterpret_cast<const QChar *>(raw), 5);
    EXPECT_EQ(rangeOf(QStringLiteral("b"), view), Range(4, 1));
    raw[1] = u'b';
    EXPECT_EQ(rangeOf(QStringLiteral("b"), view), Range(1, 1));

    // flushCachedRegexData unbinds an equal subject; the next call binds afresh.
    flushCachedRegexData(QStringLiteral("bxzab"));
    EXPECT_EQ(rangeOf(QStringLiteral("b"), s), Range(0, 1));
}

} // namespace
