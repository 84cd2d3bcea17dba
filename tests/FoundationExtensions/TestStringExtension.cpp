#include "FoundationExtensions/NTXMutableStringExtension.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

using namespace NTXNSStringExtension;
using platform::Range;

namespace {
const QString Ellipsis = QString(QChar(0x2026));
}

// ---- Entities ----

TEST(StringIntValue, ReadsLikeAtoiAndSaturates)
{
    const struct {
        const char *text;
        int value;
    } cases[] = {
        {"", 0},          {"42", 42},        {"  \t-17x", -17}, {"+8", 8},       {"0x10", 0},
        {"1e3", 1},       {"3.9", 3},        {"- 1", 0},        {"abc", 0},      {"2147483647", 2147483647},
        {"2147483648", 2147483647},          {"-2147483648", -2147483647 - 1},   {"-99999999999999999999", -2147483647 - 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(intValue(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(StringEntities, XMLEscapeOncePerCharacter)
{
    EXPECT_EQ(stringByConvertCharactersToXML(QStringLiteral("a<b>&\"c'")),
              QStringLiteral("a&lt;b&gt;&amp;&quot;c&apos;"));
    EXPECT_EQ(stringByConvertCharactersToXML(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"));
    EXPECT_EQ(stringByConvertCharactersToXML(QString()), QString());
}

TEST(StringEntities, XMLEscapeWithoutSpecialCharactersSharesTheString)
{
    const QString plain = QStringLiteral("Project Alpha \u00e9");
    const QString escaped = stringByConvertCharactersToXML(plain);
    EXPECT_EQ(escaped.constData(), plain.constData());
    const QString unescaped = stringByConvertXMLToChars(plain);
    EXPECT_EQ(unescaped.constData(), plain.constData());
}

TEST(StringEntities, UnescapeIsOnePassSoEveryTextSurvivesTheRoundTrip)
{
    const QString texts[] = {
        QStringLiteral("&lt;"), QStringLiteral("&amp;gt;"), QStringLiteral("a & b"),
        QStringLiteral("<tag attr=\"x\">'y'</tag>"), QStringLiteral("&&&;;"),
        QStringLiteral("&apos;&quot;"), QString(), QStringLiteral("&"),
    };
    for (const QString &t : texts)
        EXPECT_EQ(stringByConvertXMLToChars(stringByConvertCharactersToXML(t)), t) << t.toStdString();
    // Text written by any escaper of these five entities reads the same.
    EXPECT_EQ(stringByConvertXMLToChars(QStringLiteral("a&gt;b &amp;lt; &quot;q&quot; &apos;")),
              QStringLiteral("a>b &lt; \"q\" '"));
    // Unknown or unfinished entities stay.
    EXPECT_EQ(stringByConvertXMLToChars(QStringLiteral("&nbsp; &lt &#60; &")),
              QStringLiteral("&nbsp; &lt &#60; &"));
}

TEST(StringEntities, InPlaceConversions)
{
    QString s = QStringLiteral("1 < 2");
    NTXMutableStringExtension::XMLEntities(s);
    EXPECT_EQ(s, QStringLiteral("1 &lt; 2"));
    NTXMutableStringExtension::XMLEntitiesToChars(s);
    EXPECT_EQ(s, QStringLiteral("1 < 2"));
    NTXMutableStringExtension::HTMLEntities(s);
    EXPECT_EQ(s, QStringLiteral("1 &lt; 2"));
}

TEST(StringEntities, HTMLEscape)
{
    const QString in = QStringLiteral("a\n\"'&<>") + QChar(0xE9) + QChar(0xA0) + QChar(0xFF)
                       + QChar(0x20AC) + QChar(0xFFFD) + QChar(0xFFEF);
    EXPECT_EQ(stringByConvertCharactersToHTML(in),
              QStringLiteral("a<br>&quot;'&amp;&lt;&gt;&eacute;&nbsp;&yuml;&#8364;")
                  + QChar(0xFFFD) + QStringLiteral("&#65519;"));
    // The halves of a surrogate pair are written one by one.
    EXPECT_EQ(stringByConvertCharactersToHTML(stringWithCharacter(0x1F600)),
              QStringLiteral("&#55357;&#56832;"));
}

// ---- Construction ----

TEST(StringConstruction, StringWithCharacter)
{
    EXPECT_EQ(stringWithCharacter('A'), QStringLiteral("A"));
    const QString pair = stringWithCharacter(0x1F600);
    ASSERT_EQ(pair.size(), 2);
    EXPECT_EQ(pair[0].unicode(), 0xD83D);
    EXPECT_EQ(pair[1].unicode(), 0xDE00);
    EXPECT_EQ(stringWithCharacter(0x10FFFF).size(), 2);
    // Beyond the last code point: the replacement character, not a broken pair.
    EXPECT_EQ(stringWithCharacter(0x110000), QString(QChar(0xFFFD)));
    EXPECT_EQ(stringWithCharacter(0xFFFFFFFFu), QString(QChar(0xFFFD)));
}

TEST(StringConstruction, StringWithDataDecodesStrictly)
{
    using namespace NTXStringEncodings;
    EXPECT_EQ(stringWithData(QByteArray("gr\xc3\xbc\xc3\x9f"), UTF8StringEncoding),
              QStringLiteral("gr\u00fc\u00df"));
    EXPECT_TRUE(stringWithData(QByteArray("\xc3\x28"), UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithData(QByteArray("abc\xc3"), UTF8StringEncoding).isNull()); // cut off
    EXPECT_TRUE(stringWithData(QByteArray("caf\xe9"), ASCIIStringEncoding).isNull());
    EXPECT_EQ(stringWithData(QByteArray("caf\xe9"), ISOLatin1StringEncoding), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(stringWithData(QByteArray("\x80"), WindowsCP1252StringEncoding), QString(QChar(0x20AC)));
    EXPECT_EQ(stringWithData(QByteArray("\x8a"), MacOSRomanStringEncoding), QString(QChar(0xE4)));
    EXPECT_EQ(stringWithData(QByteArray("\0a", 2), UTF16BigEndianStringEncoding), QStringLiteral("a"));
    EXPECT_EQ(stringWithData(QByteArray("a\0", 2), UTF16LittleEndianStringEncoding), QStringLiteral("a"));
    EXPECT_EQ(stringWithData(QByteArray("\xff\xfe" "a\0", 4), UnicodeStringEncoding), QStringLiteral("a"));
    EXPECT_EQ(stringWithData(QByteArray("\0\0\0a", 4), UTF32BigEndianStringEncoding), QStringLiteral("a"));
    EXPECT_TRUE(stringWithData(QByteArray("\0\x11\0\0", 4), UTF32BigEndianStringEncoding).isNull());
    EXPECT_TRUE(stringWithData(QByteArray("a", 1), UTF16LittleEndianStringEncoding).isNull());
    EXPECT_TRUE(stringWithData(QByteArray("abc"), 9999).isNull());
    const QString empty = stringWithData(QByteArray(), UTF8StringEncoding);
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(empty.isEmpty());
    // Larger than one conversion chunk.
    const QByteArray big(200000, 'x');
    EXPECT_EQ(stringWithData(big, UTF8StringEncoding).size(), 200000);
}

TEST(StringConstruction, SmallBuilders)
{
    EXPECT_EQ(stringWithString(QStringLiteral("ab"), 3), QStringLiteral("ababab"));
    EXPECT_TRUE(stringWithString(QStringLiteral("ab"), -1).isEmpty());
    EXPECT_EQ(stringWithStrings({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
              QStringLiteral("abc"));
    EXPECT_EQ(stringForRating(0), QStringLiteral("-"));
    EXPECT_EQ(stringForRating(2), QString(2, QChar(0x272D)));
    EXPECT_EQ(stringForRating(7), QString(5, QChar(0x272D)));
    EXPECT_EQ(stringForKeyEquivalent(QStringLiteral("K"), CommandKeyMask | ShiftKeyMask | ControlKeyMask
                                                              | AlternateKeyMask),
              QString(QChar(0x2318)) + QChar(0x2325) + QLatin1Char('^') + QChar(0x21E7) + QLatin1Char('K'));
    EXPECT_EQ(&horizontalEllipsisString(), &horizontalEllipsisString());
    EXPECT_EQ(horizontalEllipsisString(), Ellipsis);
    EXPECT_EQ(stringByAppendingEllipsis(QStringLiteral("a")), QStringLiteral("a") + Ellipsis);
    const QString uuid = UUID();
    EXPECT_EQ(uuid.size(), 36);
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_NE(uuid, UUID());
}

TEST(StringConstruction, TimeStampFromTheClock)
{
    platform::Clock::setNow(QDateTime(QDate(2011, 5, 6), QTime(7, 8, 9, 45), Qt::OffsetFromUTC, -4 * 3600));
    EXPECT_EQ(timeStampForFileOperation(), QStringLiteral("20110506070809-0400045"));
    platform::Clock::useSystemClock();
}

TEST(StringConstruction, FileTypes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("note.txt"));
    ASSERT_TRUE(testsupport::writeFile(path, "hello\n"));
    EXPECT_EQ(universalTypeForFile(path), QStringLiteral("text/plain"));
    EXPECT_TRUE(universalTypeForFile(dir.filePath(QStringLiteral("missing.txt"))).isNull());
    EXPECT_TRUE(UTIConformsTo(QStringLiteral("text/x-csrc"), QStringLiteral("text/plain")));
    EXPECT_FALSE(UTIConformsTo(QStringLiteral("text/plain"), QStringLiteral("image/png")));
    EXPECT_TRUE(UTIConformsTo(QStringLiteral("application/x-unknown-thing"),
                              QStringLiteral("application/x-unknown-thing")));
    EXPECT_TRUE(UTIConformsToUTIOf(QStringLiteral("image/png"),
                                   {QStringLiteral("text/plain"), QStringLiteral("image/png")}));
    EXPECT_FALSE(UTIConformsToUTIOf(QStringLiteral("image/png"), {}));
}

// ---- Unique names ----

TEST(StringUnique, NumbersAreAppendedAndCounted)
{
    const QStringList names{QStringLiteral("Job"), QStringLiteral("Job 1"), QStringLiteral("Task7")};
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("Other"), names), QStringLiteral("Other"));
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("Job"), {QStringLiteral("Job")}), QStringLiteral("Job 1"));
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("Job"), names), QStringLiteral("Job 2"));
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("Task7"), names), QStringLiteral("Task 8"));
    // The first character never counts as part of the number.
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("7"), {QStringLiteral("7")}), QStringLiteral("7 1"));
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("42"), {QStringLiteral("42")}), QStringLiteral("4 3"));
}

TEST(StringUnique, TrailingNumberTooLargeForIntDoesNotOverflow)
{
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("a99999999999"), {QStringLiteral("a99999999999")}),
              QStringLiteral("a99999999999 1"));
    EXPECT_EQ(uniqueStringWithString(QStringLiteral("a2147483647"), {QStringLiteral("a2147483647")}),
              QStringLiteral("a 2147483648"));
}

TEST(StringUnique, FilenamesKeepTheirExtension)
{
    EXPECT_EQ(uniqueFilenameWithString(QStringLiteral("report.pdf"),
                                       {QStringLiteral("report.txt"), QStringLiteral("x.pdf")}),
              QStringLiteral("report 1.pdf"));
    EXPECT_EQ(uniqueFilenameWithString(QStringLiteral("report"), {QStringLiteral("other")}),
              QStringLiteral("report"));
    EXPECT_EQ(uniqueFilenameWithString(QStringLiteral(".hidden"), {QStringLiteral(".hidden")}),
              QStringLiteral(".hidden 1"));
}

TEST(StringUnique, CopyNamesUseTheBundleWord)
{
    EXPECT_EQ(uniqueCopyStringWithString(QStringLiteral(" Report "), {}), QStringLiteral("Report copy"));
    EXPECT_EQ(uniqueCopyStringWithString(QStringLiteral("Report"), {QStringLiteral("Report copy")}),
              QStringLiteral("Report copy 1"));
    EXPECT_EQ(uniqueCopyStringWithString(QStringLiteral("Report copy"), {QStringLiteral("Report copy")}),
              QStringLiteral("Report copy 1"));
}

// ---- Addresses ----

TEST(StringAddresses, Validation)
{
    EXPECT_TRUE(validateEMailAddress(QStringLiteral("a@b.c")));
    EXPECT_TRUE(validateEMailAddress(QStringLiteral("first.last@host")));
    EXPECT_FALSE(validateEMailAddress(QStringLiteral("@b.c")));
    EXPECT_FALSE(validateEMailAddress(QStringLiteral("a.b@")));
    EXPECT_FALSE(validateEMailAddress(QStringLiteral("a@b")));
    EXPECT_FALSE(validateEMailAddress(QStringLiteral(".a@b")));
    EXPECT_FALSE(validateEMailAddress(QString()));
    EXPECT_TRUE(validateURL(QStringLiteral("example.org")));
    EXPECT_FALSE(validateURL(QStringLiteral(".org")));
    EXPECT_FALSE(validateURL(QStringLiteral("example.")));
    EXPECT_FALSE(validateURL(QStringLiteral("localhost")));
}

TEST(StringAddresses, CompletionAndEscapes)
{
    EXPECT_EQ(completedURLStringForString(QStringLiteral("ftp://x")), QStringLiteral("ftp://x"));
    EXPECT_EQ(completedURLStringForString(QStringLiteral("example.org")), QStringLiteral("http://example.org"));
    EXPECT_EQ(completedURLStringForString(QString()), QStringLiteral("http://"));
    EXPECT_EQ(percentEncodedRfc3986String(QStringLiteral("a b;c/d?e%f*")), QStringLiteral("a b%3Bc%2Fd%3Fe%f%2A"));
    EXPECT_EQ(decodeAllPercentEscapes(QStringLiteral("gr%C3%BCn%20%zz")), QStringLiteral("gr\u00fcn %zz"));
    EXPECT_EQ(decodeAllPercentEscapes(QStringLiteral("bad%FF")), QStringLiteral("bad%FF"));
    EXPECT_EQ(convertToURLConformString(QStringLiteral("http://h/a b%20c?\u00fc=1#f")),
              QStringLiteral("http://h/a%20b%20c?%C3%BC=1#f"));
}

// ---- Transformations ----

TEST(StringTransform, ReplacingAndRemoving)
{
    EXPECT_EQ(stringByReplacNotFilenameConformCharacters(QStringLiteral("a/b:c\\d")), QStringLiteral("a-b-c-d"));
    const CharacterSet vowels = characterSetWithCharactersInString(QStringLiteral("aeiou"));
    EXPECT_EQ(stringByRemovingCharactersInSet(QStringLiteral("Education"), vowels), QStringLiteral("Edctn"));
    EXPECT_EQ(stringByRemovingCharactersInSet(QStringLiteral("Education"), vowels, CaseInsensitiveSearch),
              QStringLiteral("dctn"));
    EXPECT_EQ(stringByRemovingCharactersInSet(QStringLiteral("aeXa"), vowels, AnchoredSearch), QStringLiteral("Xa"));
    EXPECT_EQ(stringByRemovingCharactersInSet(QStringLiteral("aeXa"), vowels, BackwardsSearch), QStringLiteral("X"));
    EXPECT_EQ(stringByRemovingCharacter(QStringLiteral("a-b-c"), QLatin1Char('-')), QStringLiteral("abc"));
    EXPECT_FALSE(stringByRemovingCharacter(QString(), QLatin1Char('-')).isNull());
}

TEST(StringTransform, ReplaceOccurrencesInRange)
{
    const QString s = QStringLiteral("aaa-AAA");
    EXPECT_EQ(stringByReplaceOccurrencesOfString(s, QStringLiteral("aa"), QStringLiteral("x"), 0, Range(0, 7)),
              QStringLiteral("xa-AAA"));
    EXPECT_EQ(stringByReplaceOccurrencesOfString(s, QStringLiteral("aa"), QStringLiteral("x"), BackwardsSearch,
                                                 Range(0, 3)),
              QStringLiteral("ax-AAA"));
    EXPECT_EQ(stringByReplaceOccurrencesOfString(s, QStringLiteral("a"), QStringLiteral("b"),
                                                 CaseInsensitiveSearch, Range(2, 3)),
              QStringLiteral("aab-bAA"));
    EXPECT_EQ(stringByReplaceOccurrencesOfString(s, QStringLiteral("a"), QStringLiteral("_"), AnchoredSearch,
                                                 Range(1, 6)),
              QStringLiteral("a_a-AAA"));
    EXPECT_EQ(stringByReplaceOccurrencesOfString(s, QString(), QStringLiteral("_"), 0, Range(0, 7)), s);
    EXPECT_THROW(stringByReplaceOccurrencesOfString(s, QStringLiteral("a"), QStringLiteral("b"), 0, Range(5, 3)),
                 platform::Exception);
    EXPECT_THROW(stringByReplaceOccurrencesOfString(s, QStringLiteral("a"), QStringLiteral("b"), 0, Range(-1, 2)),
                 platform::Exception);
}

TEST(StringTransform, DisplayStringAroundRange)
{
    const QString s = QStringLiteral("0123456789abcdefghij"); // 20 units
    EXPECT_EQ(displayStringForRange(QStringLiteral("a\nb"), Range(0, 1), 5), QStringLiteral("a\nb"));
    EXPECT_EQ(displayStringForRange(s, Range(Range::NotFound, 0), 5), s);
    EXPECT_EQ(displayStringForRange(s, Range(0, 2), 5), QStringLiteral("01234") + Ellipsis);
    // shown 2, slack 3: start = 10 - 1
    EXPECT_EQ(displayStringForRange(s, Range(10, 2), 5), Ellipsis + QStringLiteral("9abcd") + Ellipsis);
    EXPECT_EQ(displayStringForRange(s, Range(19, 1), 5), Ellipsis + QStringLiteral("fghij"));
    EXPECT_EQ(displayStringForRange(s, Range(4, 10), 5), Ellipsis + QStringLiteral("45678") + Ellipsis);
    EXPECT_EQ(displayStringForRange(QStringLiteral("ab\r\n\ncdefgh"), Range(0, 1), 6),
              QStringLiteral("ab  c") + Ellipsis);
}

TEST(StringTransform, DisplayStringWithForeignRangeShowsTheStart)
{
    const QString s = QStringLiteral("0123456789abcdefghij");
    const QString start = QStringLiteral("01234") + Ellipsis;
    EXPECT_EQ(displayStringForRange(s, Range(25, 3), 5), start);
    EXPECT_EQ(displayStringForRange(s, Range(18, 5), 5), start);
    EXPECT_EQ(displayStringForRange(s, Range(-3, 2), 5), start);
    EXPECT_EQ(displayStringForRange(s, Range(2, Range::NotFound), 5), start);
    EXPECT_EQ(displayStringForRange(s, Range(2, 2), -4), Ellipsis + Ellipsis);
}

TEST(StringTransform, ISBNConversions)
{
    EXPECT_EQ(convertISBN10ToISBN13(QStringLiteral("3161484100")), QStringLiteral("9783161484100"));
    EXPECT_EQ(convertISBN10ToISBN13(QStringLiteral("020161622X-extra")), QStringLiteral("9780201616224"));
    EXPECT_EQ(convertISBN13ToISBN10(QStringLiteral("9780201616224")), QStringLiteral("020161622X"));
    EXPECT_EQ(convertISBN13ToISBN10(QStringLiteral("9783161484100")), QStringLiteral("316148410X"));
    try {
        convertISBN10ToISBN13(QStringLiteral("123456789"));
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), platform::Exception::RangeException);
    }
    EXPECT_THROW(convertISBN13ToISBN10(QStringLiteral("978316148410")), platform::Exception);
    EXPECT_THROW(convertISBN13ToISBN10(QString()), platform::Exception);
    // Characters that are not digits count as 0 in the check digit.
    EXPECT_EQ(convertISBN10ToISBN13(QStringLiteral("ab\u00ff\u4e00xxxxx0")), QStringLiteral("978ab\u00ff\u4e00xxxxx2"));
}

TEST(StringTransform, FirstAndLastName)
{
    EXPECT_EQ(firstAndLastNameOfNameString(QString()), QStringList({QString(), QString()}));
    EXPECT_EQ(firstAndLastNameOfNameString(QStringLiteral("Doe, John")), QStringList({"John", "Doe"}));
    EXPECT_EQ(firstAndLastNameOfNameString(QStringLiteral("Doe; John")), QStringList({"John", "Doe"}));
    EXPECT_EQ(firstAndLastNameOfNameString(QStringLiteral("Ludwig VON Beethoven")),
              QStringList({"Ludwig", "VON Beethoven"}));
    EXPECT_EQ(firstAndLastNameOfNameString(QStringLiteral("John Ronald Tolkien")),
              QStringList({"John Ronald", "Tolkien"}));
    EXPECT_EQ(firstAndLastNameOfNameString(QStringLiteral("Madonna")), QStringList({"", "Madonna"}));
}

// ---- Drawing ----

TEST(StringDrawing, DrawsWithColourAndAlignment)
{
    QImage image(200, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        const QColor red(Qt::red);
        QFont font;
        font.setPixelSize(16);
        drawWithFont(QStringLiteral("WWW"), p, &font, &red, RightTextAlignment, true, QRectF(0, 0, 200, 40));
    }
    int redLeft = 0, redRight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80)
                (x < 100 ? redLeft : redRight)++;
        }
    EXPECT_EQ(redLeft, 0);
    EXPECT_GT(redRight, 0);

    QImage blank(50, 20, QImage::Format_ARGB32);
    blank.fill(Qt::white);
    {
        QPainter p(&blank);
        drawWithFontAttributes(QString(), p, TextAttributes{}, LeftTextAlignment, QRectF(0, 0, 50, 20));
    }
    EXPECT_EQ(blank.pixelColor(10, 10), QColor(Qt::white));
}
