// User texts shaped for display: on one line every break shows as one blank, and a
// long text is cut with an ellipsis without parting a character; nothing else changes.
#include "platform/foundation/DisplayText.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform::DisplayText;

namespace {

const QString Ellipsis = QString(QChar(0x2026));

} // namespace

TEST(DisplayText, BreaksBecomeBlanksAndTheRestStays)
{
    const struct {
        const char16_t *text;
        const char16_t *line;
    } cases[] = {
        {u"", u""},
        {u"Design", u"Design"},
        {u"R&D", u"R&D"},
        {u"Tab\there", u"Tab here"},
        {u"Two\nlines", u"Two lines"},
        {u"\nleading and trailing\n", u" leading and trailing "},
        {u"CR LF\r\nonce", u"CR LF once"},
        {u"LF CR\n\rtwice", u"LF CR  twice"},
        {u"CR\r\rtwice", u"CR  twice"},
        {u"a\u2028b\u2029c\u0085d\ve\ff", u"a b c d e f"},
        {u"Ä\u00a0Ω", u"Ä\u00a0Ω"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(oneLine(text), QString::fromUtf16(c.line)) << text.toStdString();
        // Short texts are shown whole.
        EXPECT_EQ(shownOnOneLine(text), QString::fromUtf16(c.line)) << text.toStdString();
    }
}

TEST(DisplayText, LongTextsAreCutWithAnEllipsisAndNoCharacterIsParted)
{
    // At the limit: whole; one unit more: the limit's units and the ellipsis.
    const QString ten = QStringLiteral("0123456789");
    EXPECT_EQ(cut(ten, 10), ten);
    EXPECT_FALSE(isCut(ten, 10));
    EXPECT_EQ(cut(ten, 9), QStringLiteral("012345678") + Ellipsis);
    EXPECT_TRUE(isCut(ten, 9));
    EXPECT_EQ(cut(ten, 0), Ellipsis);
    EXPECT_EQ(cut(ten, -3), Ellipsis);

    // A surrogate pair and a letter with its combining marks go whole or not at all.
    const QString smiles = QStringLiteral("ab\U0001F600cd");
    EXPECT_EQ(cut(smiles, 3), QStringLiteral("ab") + Ellipsis);
    EXPECT_EQ(cut(smiles, 4), QStringLiteral("ab\U0001F600") + Ellipsis);
    const QString marked = QStringLiteral("xe\u0301\u0323y");
    EXPECT_EQ(cut(marked, 2), QStringLiteral("x") + Ellipsis);
    EXPECT_EQ(cut(marked, 3), QStringLiteral("x") + Ellipsis);
    EXPECT_EQ(cut(marked, 4), QStringLiteral("xe\u0301\u0323") + Ellipsis);
    // A mark above U+FFFF (a surrogate pair) counts as a mark too.
    const QString highMark = QStringLiteral("ab\U0001D167c");
    EXPECT_EQ(cut(highMark, 3), QStringLiteral("a") + Ellipsis);
    // Nothing but marks: cut where the limit says, something is still shown.
    const QString marks = QStringLiteral("a\u0301\u0301\u0301\u0301");
    EXPECT_EQ(cut(marks, 3), QStringLiteral("a\u0301\u0301") + Ellipsis);
    // A lone high half (broken text) is a character of its own, whatever follows it:
    // with U+0C2A it would make the pair of a mark (U+302A) if it were read as one.
    const QString lone = QStringLiteral("ab") + QChar(0xD800) + QChar(0x0C2A) + QStringLiteral("cd");
    EXPECT_EQ(cut(lone, 2), QStringLiteral("ab") + Ellipsis);
    EXPECT_EQ(cut(lone, 3), lone.left(3) + Ellipsis);

    // A name of ten million units on one line: its first MaximumLength units, the
    // breaks among them as blanks; the stored text is untouched.
    QString huge(10'000'000, QLatin1Char('n'));
    huge[5] = QLatin1Char('\n');
    const QString kept = huge;
    const QString shown = shownOnOneLine(huge);
    EXPECT_EQ(shown.size(), MaximumLength + 1);
    EXPECT_EQ(shown.at(5), QLatin1Char(' '));
    EXPECT_TRUE(shown.endsWith(Ellipsis));
    EXPECT_EQ(huge, kept);
    EXPECT_EQ(huge.at(5), QLatin1Char('\n'));
}

TEST(DisplayText, RandomTextsStayBoundedAndBeginAsTheyDid)
{
    std::mt19937 random(62);
    const char16_t pieces[] = {u'a', u' ', u'\t', u'\r', u'\n', 0x2028, 0x0301, 0xD83D, 0xDE00, u'\u00e9'};
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(random() % 40);
        for (int i = 0; i < length; ++i)
            text += QChar(pieces[random() % std::size(pieces)]);
        const qsizetype limit = qsizetype(random() % 30);
        const QString shown = shownOnOneLine(text, limit);
        const QString cutText = cut(text, limit);
        SCOPED_TRACE(round);
        // Never longer than the limit and the ellipsis; whole when it fits.
        EXPECT_LE(shown.size(), std::max(limit, qsizetype(0)) + 1);
        if (text.size() <= limit) {
            EXPECT_EQ(cutText, text);
        } else {
            ASSERT_TRUE(cutText.endsWith(Ellipsis));
            // What is kept is the text's beginning, ending before a character starts
            // (or at the limit itself, for a text that is one long run of marks).
            const qsizetype kept = cutText.size() - 1;
            EXPECT_EQ(cutText.left(kept), text.left(kept));
            const bool partedPair = kept > 0 && text.at(kept).isLowSurrogate() && text.at(kept - 1).isHighSurrogate();
            EXPECT_FALSE(partedPair);
            // Where the cut moved back from the limit, a character starts.
            if (kept < limit) {
                EXPECT_FALSE(QChar::isMark(text.at(kept).unicode()));
            }
        }
        // No break of any kind stands on the one line.
        for (const QChar c : shown)
            EXPECT_FALSE(breaksLine(c));
    }
}

// A name set into a message is isolated: what it opens is closed inside, and what
// would close the isolate around it stays out.
TEST(DisplayText, NamesSetInTextAreIsolated)
{
    const struct {
        const char16_t *text;
        const char16_t *set;
    } cases[] = {
        {u"", u"\u2068\u2069"},
        {u"Design", u"\u2068Design\u2069"},
        // An override left open ends with the isolate.
        {u"\u202Eevil", u"\u2068\u202Eevil\u2069"},
        // An isolate left open is closed before the outer one.
        {u"\u2067ab", u"\u2068\u2067ab\u2069\u2069"},
        {u"\u2066\u2068x", u"\u2068\u2066\u2068x\u2069\u2069\u2069"},
        // A close of its own that closes nothing it opened stays out ...
        {u"a\u2069\u202Eb", u"\u2068a\u202Eb\u2069"},
        // ... and a matched one stays.
        {u"\u2067a\u2069b", u"\u2068\u2067a\u2069b\u2069"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(isolated(text), QString::fromUtf16(c.set)) << text.toStdString();
    }
    // The one-line rule and the cut come first: a break is a blank and the ellipsis
    // stands inside the isolate.
    EXPECT_EQ(setInText(QStringLiteral("Two\nlines")), QString::fromUtf16(u"\u2068Two lines\u2069"));
    EXPECT_EQ(setInText(QString(20, QLatin1Char('x')), 4), QString::fromUtf16(u"\u2068xxxx\u2026\u2069"));
}

// Whatever a name holds, the isolate around it opens first and closes last, and every
// character but the isolates stays in its order.
TEST(DisplayText, RandomNamesNeverReachOutOfTheirIsolate)
{
    std::mt19937 random(2068);
    const char16_t pieces[] = {u'a', u' ', 0x05D0, 0x202E, 0x202B, 0x202C, 0x2066, 0x2067, 0x2068, 0x2069};
    const auto isIsolate = [](QChar c) { return c.unicode() >= 0x2066 && c.unicode() <= 0x2069; };
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(random() % 30);
        for (int i = 0; i < length; ++i)
            text += QChar(pieces[random() % std::size(pieces)]);
        const QString set = isolated(text);
        SCOPED_TRACE(round);
        ASSERT_GE(set.size(), 2);
        // Depth counted as the bidirectional algorithm matches isolates.
        int depth = 0;
        for (qsizetype i = 0; i < set.size(); ++i) {
            const QChar c = set.at(i);
            if (c.unicode() == 0x2069)
                --depth;
            else if (isIsolate(c))
                ++depth;
            if (i + 1 < set.size()) {
                ASSERT_GE(depth, 1) << "closed at " << i;
            }
        }
        EXPECT_EQ(depth, 0);
        QString rest;
        QString kept;
        for (const QChar c : text)
            if (!isIsolate(c))
                rest += c;
        for (const QChar c : set)
            if (!isIsolate(c))
                kept += c;
        EXPECT_EQ(kept, rest);
    }
}
