// Attributed strings and their helpers: runs and ranges, editing batches, one-line
// drawing, numbering styles, link detection, ranges in a rich-text document.
#include "FoundationExtensions/NTXNSAttributedStringExtension.h"
#include "FoundationExtensions/NTXNSMutableAttributedStringExtensions.h"
#include "FoundationExtensions/NTXNSNumberExtensions.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "platform/foundation/Exception.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QTextFormat>
#include <QUrl>
#include <gtest/gtest.h>

using platform::AttributedString;
using platform::Range;
namespace M = NTXNSMutableAttributedStringExtensions;
namespace D = NTXNSAttributedStringExtension;

TEST(AttributedString, EffectiveAndLongestRangesAndDocumentRoundTrip)
{
    const AttributedString::Attributes bold{{AttributedString::ForegroundColorAttribute, QColor(Qt::red)}};
    AttributedString text(QStringLiteral("abc"), bold);
    text.append(QStringLiteral("def"), bold); // a run of its own with equal attributes
    text.append(QStringLiteral("gh"), {});
    Range effective, longest;
    text.attributesAt(4, &effective);
    text.attributesAt(4, &longest, Range(0, text.length()));
    EXPECT_EQ(effective, Range(3, 3));
    EXPECT_EQ(longest, Range(0, 6));
    text.attributesAt(4, &longest, Range(2, 3));
    EXPECT_EQ(longest, Range(2, 3));
    EXPECT_THROW(text.attributesAt(8), platform::Exception);

    M::appendString(text, QStringLiteral("ij")); // takes the last character's (none)
    EXPECT_TRUE(text.attributesAt(9).isEmpty());
    AttributedString empty;
    M::appendString(empty, QStringLiteral("x"));
    EXPECT_TRUE(empty.attributesAt(0).isEmpty());

    text.addAttribute(AttributedString::LinkAttribute, QUrl(QStringLiteral("http://a.example")), Range(6, 2));
    QTextDocument document;
    text.writeTo(document);
    EXPECT_EQ(document.toPlainText(), text.string());
    const AttributedString back = AttributedString::fromTextDocument(document);
    EXPECT_EQ(back.attributeAt(AttributedString::LinkAttribute, 7).toUrl(), QUrl(QStringLiteral("http://a.example")));
    EXPECT_EQ(back.attributeAt(AttributedString::ForegroundColorAttribute, 1).value<QColor>(), QColor(Qt::red));
}

TEST(AttributedString, MutateRangesRewritesRunsAndMatchesAndClosesItsBatch)
{
    const AttributedString::Attributes red{{AttributedString::ForegroundColorAttribute, QColor(Qt::red)}};
    AttributedString text(QStringLiteral("one "), red);
    text.append(QStringLiteral("two one"), {});
    int notified = 0;
    text.setEditingObserver([&] { ++notified; });

    // Every run of red text is upper-cased; a match-driven pass doubles "one".
    const auto upper = [](AttributedString &, const AttributedString::Attributes &a, Range handled, Range, bool *,
                          void *) -> std::optional<AttributedString> {
        if (!a.contains(AttributedString::ForegroundColorAttribute))
            return std::nullopt;
        Q_UNUSED(handled);
        return AttributedString(QStringLiteral("ONE "), a);
    };
    EXPECT_TRUE(M::mutateRanges(text, upper));
    EXPECT_EQ(text.string(), QStringLiteral("ONE two one"));
    const auto twice = [](AttributedString &r, const AttributedString::Attributes &a, Range handled, Range, bool *,
                          void *) -> std::optional<AttributedString> {
        return AttributedString(r.string().mid(handled.location, handled.length).repeated(2), a);
    };
    EXPECT_TRUE(M::mutateRanges(text, twice, QStringLiteral("one")));
    EXPECT_EQ(text.string(), QStringLiteral("ONE two oneone"));
    EXPECT_FALSE(M::mutateRanges(text, twice, QStringLiteral("absent")));
    EXPECT_EQ(notified, 2); // once per batch

    // A range beyond the text fails the assertion after a first change; the batch
    // still closes and the change is announced.
    notified = 0;
    EXPECT_THROW(M::mutateRanges(text, upper, Range(0, text.length() + 3)), platform::Exception);
    EXPECT_EQ(text.editingDepth(), 0);
    EXPECT_EQ(notified, 1);
}

TEST(AttributedString, Numbering)
{
    using NTXNSNumberExtensions::numberToStringWithType;
    const struct { quint64 n; int type; const char *expected; } cases[] = {
        {0, 0, "NUL"}, {0, 3, "NUL"}, {28, 0, "28"}, {28, 1, "AB"}, {28, 2, "ab"}, {1, 1, "A"},
        {26, 1, "Z"}, {27, 1, "AA"}, {702, 1, "ZZ"}, {703, 1, "AAA"}, {28, 3, "XXVIII"}, {49, 3, "XLIX"},
        {444, 4, "cdxliv"}, {1994, 3, "MCMXCIV"}, {3999, 3, "MMMCMXCIX"},
        {4000, 3, "MMMM"}, {4999, 4, "mmmmcmxcix"}, {5000, 3, "NUL"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numberToStringWithType(c.n, c.type), QString::fromLatin1(c.expected)) << c.n << " " << c.type;
    EXPECT_FALSE(numberToStringWithType(28, 5).has_value());
}

TEST(AttributedString, DetectURLs)
{
    const struct { const char *word; const char *address; } cases[] = {
        {"www.example.org.", "http://www.example.org."},
        {"ftp.example.org", "ftp://ftp.example.org"},
        {"gopher.example.org", "gopher://gopher.example.org"},
        {"mailto:someone@example.org", "mailto:someone@example.org"},
        {"see://anything", "see://anything"},
        {"awww.example.org", nullptr},
        {"example.org", nullptr},
        {"http://[broken", nullptr},
        {"://nothing", nullptr},
    };
    for (const auto &c : cases) {
        const QString word = QString::fromLatin1(c.word);
        AttributedString text(QStringLiteral("before ") + word + QStringLiteral("\nafter"));
        M::detectURLs(text, QColor(Qt::blue));
        const QVariant link = text.attributeAt(AttributedString::LinkAttribute, 7);
        if (!c.address) {
            EXPECT_FALSE(link.isValid()) << c.word;
            continue;
        }
        EXPECT_EQ(link.toUrl().toString(), QString::fromLatin1(c.address)) << c.word;
        Range range;
        text.attributeAt(AttributedString::LinkAttribute, 7, &range, Range(0, text.length()));
        EXPECT_EQ(range, Range(7, word.size()));
        EXPECT_EQ(text.attributeAt(AttributedString::UnderlineStyleAttribute, 7).toInt(), 1);
        EXPECT_EQ(text.attributeAt(AttributedString::ForegroundColorAttribute, 7).value<QColor>(), QColor(Qt::blue));
        EXPECT_FALSE(text.attributeAt(AttributedString::LinkAttribute, 0).isValid());
    }
    AttributedString colourless(QStringLiteral("www.example.org"));
    M::detectURLs(colourless, std::nullopt);
    EXPECT_FALSE(colourless.attributesAt(0).contains(AttributedString::ForegroundColorAttribute));
}

namespace {

// Columns of the image that hold ink (dark pixels).
std::pair<int, int> inkColumns(const QImage &image)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

TEST(AttributedString, OneLineDrawing)
{
    QFont font;
    font.setPixelSize(14);
    const AttributedString::Attributes attributes{{AttributedString::FontAttribute, font}};
    const AttributedString shortText(QStringLiteral("Short"), attributes);
    const AttributedString longText(QStringLiteral("A rather long line that cannot fit"), attributes);

    D::LineDrawing d = D::layoutInRectangle(shortText, QRectF(10, 5, 400, 30), D::AlignLeft, false);
    EXPECT_FALSE(d.ellipsis);
    EXPECT_EQ(d.point, QPointF(10, 5));
    EXPECT_EQ(d.charactersDrawn, 5);

    d = D::layoutInRectangle(longText, QRectF(0, 0, 80, 30), D::AlignLeft, false);
    EXPECT_TRUE(d.ellipsis);
    EXPECT_GT(d.charactersDrawn, 0);
    EXPECT_LT(d.charactersDrawn, longText.length());
    EXPECT_LE(d.drawnWidth, 80);

    d = D::layoutInRectangle(AttributedString(QStringLiteral("First\nsecond"), attributes), QRectF(0, 0, 400, 30),
                             D::AlignRight, true);
    EXPECT_TRUE(d.ellipsis);
    EXPECT_EQ(d.charactersDrawn, 5);
    EXPECT_DOUBLE_EQ(d.point.x(), 400 - d.drawnWidth);
    EXPECT_DOUBLE_EQ(d.point.y(), 15 - d.lineHeight / 2);

    // Right to left: the start of the text stays, cut on the left where the ellipsis is.
    const AttributedString hebrew(QString::fromUtf8("שלום עולם ומה שלומך היום הזה"), attributes);
    d = D::layoutInRectangle(hebrew, QRectF(0, 0, 70, 30), D::AlignLeft, false);
    EXPECT_TRUE(d.rightToLeft);
    EXPECT_TRUE(d.ellipsis);
    EXPECT_LE(d.drawnWidth, 70);

    // What is drawn stays inside the rectangle.
    for (const AttributedString &text : {longText, hebrew}) {
        QImage image(200, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        D::drawInRectangle(text, painter, QRectF(50, 0, 80, 30), D::AlignLeft, false);
        painter.end();
        const auto [first, last] = inkColumns(image);
        EXPECT_GE(first, 50);
        EXPECT_LE(last, 130);
    }
    // An empty text draws nothing.
    EXPECT_EQ(D::layoutInRectangle(AttributedString(), QRectF(0, 0, 10, 10), 0, false).charactersDrawn, 0);
}

TEST(AttributedString, TextStorageRanges)
{
    QTextDocument document;
    AttributedString text(QStringLiteral("plain "));
    text.append(QStringLiteral("link"), {{AttributedString::LinkAttribute, QUrl(QStringLiteral("http://x.example"))}});
    text.append(QStringLiteral("more"), {{AttributedString::LinkAttribute, QUrl(QStringLiteral("http://x.example"))},
                                         {AttributedString::ForegroundColorAttribute, QColor(Qt::red)}});
    text.append(QStringLiteral(" end"), {});
    text.writeTo(document);
    const QVariant href(QStringLiteral("http://x.example"));
    using namespace NTXNSTextStorageExtensions;
    EXPECT_EQ(rangeForAttribute(document, QTextFormat::AnchorHref, href, 0), Range(6, 4));
    EXPECT_EQ(longestRangeForAttribute(document, QTextFormat::AnchorHref, href, 0), Range(6, 8));
    EXPECT_TRUE(longestRangeForAttribute(document, QTextFormat::AnchorHref, href, 15).isNotFound());
    EXPECT_TRUE(longestRangeForAttribute(document, QTextFormat::AnchorHref, href, 99).isNotFound());
    EXPECT_EQ(rangeForAttribute(document, QTextFormat::AnchorHref, Range(2, 6)), Range(6, 2));
    EXPECT_TRUE(rangeForAttribute(document, QTextFormat::AnchorHref, Range(0, 5)).isNotFound());
}
