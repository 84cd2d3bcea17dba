// Each bound of the readers at its value and one past it, through the direct reader
// of the writer's form and through the XML library's reader: nesting wherever it
// stands, the element count, the different names the direct reader tells apart, a
// run of blanks, the length of a value and of a tag's values. At the bound both read
// the document; one past, both refuse it, and the direct reader refuses it itself
// (nothing is read twice) unless the form is another.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/WrittenFormTokens.h"
#include "platform/foundation/Clock.h"
#include "tests/support/ProcessMemory.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

struct Answers
{
    bool direct = false;
    bool handedOver = false;
    bool library = false;
    bool file = false; // readXmlData: the reader a file gets
};

Answers answers(const QByteArray &bytes)
{
    Answers a;
    DocumentFileFormat::ReadResult out;
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        a.direct = DocumentFileFormat::readWrittenForm(&buffer, out, &a.handedOver);
    }
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        a.library = DocumentFileFormat::readXmlWithLibrary(&buffer, out);
    }
    a.file = DocumentFileFormat::readXmlData(bytes, out);
    return a;
}

QByteArray wrap(const QByteArray &inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">" + inner + "</Chronark>\n";
}

// At the bound: read by both, by the direct reader itself unless `handedOver`.
void expectReadAtTheBound(const QByteArray &bytes, bool handedOver = false)
{
    const Answers a = answers(bytes);
    EXPECT_EQ(a.handedOver, handedOver);
    EXPECT_EQ(a.direct, !handedOver);
    EXPECT_TRUE(a.library);
    EXPECT_TRUE(a.file);
}

// One past: refused by both, by the direct reader itself.
void expectRefusedPastTheBound(const QByteArray &bytes)
{
    const Answers a = answers(bytes);
    EXPECT_FALSE(a.handedOver);
    EXPECT_FALSE(a.direct);
    EXPECT_FALSE(a.library);
    EXPECT_FALSE(a.file);
}

// `levels` elements each inside the one before, named `name`.
QByteArray chain(const QByteArray &name, int levels)
{
    return QByteArray("<" + name + ">").repeated(levels) + QByteArray("</" + name + ">").repeated(levels);
}

class DocumentFileBoundsTest : public ::testing::Test
{
protected:
    void SetUp() override { platform::Clock::setNow(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC)); }
    void TearDown() override { platform::Clock::useSystemClock(); }
};

TEST_F(DocumentFileBoundsTest, NestingIsBoundedInTheTreeInTheWindowStateAndElsewhere)
{
    // "Chronark" is level 1 and its child level 2: the deepest element stands
    // MaximumDepth - 2 levels below that child.
    const int below = DocumentFileFormat::MaximumDepth - 2;
    const struct
    {
        const char *where;
        QByteArray open;
        QByteArray name;
        QByteArray close;
    } places[] = {
        {"the tree", "<document>", "groupEntry", "</document>"},
        {"the window state", "<documentValues>", "tableColumnArray", "</documentValues>"},
        {"another element", "<other>", "x", "</other>"},
    };
    for (const auto &p : places) {
        SCOPED_TRACE(p.where);
        expectReadAtTheBound(wrap(p.open + chain(p.name, below) + p.close));
        expectRefusedPastTheBound(wrap(p.open + chain(p.name, below + 1) + p.close));
    }
}

TEST_F(DocumentFileBoundsTest, ElementsAreCountedUpToTheBound)
{
    const qint64 bound = DocumentFileFormat::MaximumElementCount;
    // Elements outside the tree count as those in it; the element that passes the
    // bound here is a node's child.
    const QByteArray tree = "<document>" + QByteArray("<jobEntry/>").repeated(1000) + "</document>";
    expectReadAtTheBound(wrap(QByteArray("<x/>").repeated(bound - 1001) + tree));
    expectRefusedPastTheBound(wrap(QByteArray("<x/>").repeated(bound - 1000) + tree));
}

TEST_F(DocumentFileBoundsTest, ElementsPastTheCountAreRefusedBeforeTheirNodesTakeMemory)
{
    // Small elements in the tree, one past the bound: counted before a node is made.
    const QByteArray bytes =
        wrap("<document>" + QByteArray("<timeEntry/>").repeated(DocumentFileFormat::MaximumElementCount + 1) + "</document>");
#if !defined(__SANITIZE_ADDRESS__)
    testsupport::resetPeakMemory();
    const double before = testsupport::residentMiB();
#endif
    DocumentFileFormat::ReadResult out;
    EXPECT_FALSE(DocumentFileFormat::readXmlData(bytes, out));
    EXPECT_EQ(out.root, nullptr);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer's own bookkeeping would be counted too.
    EXPECT_LT(testsupport::peakResidentMiB() - before, 64.0);
#endif
    // The same elements after a comment are another form: the library reads them.
    const QByteArray other = wrap("<!-- a note --><document>"
                                  + QByteArray("<timeEntry/>").repeated(1000) + "</document>");
    EXPECT_TRUE(DocumentFileFormat::readXmlData(other, out));
}

TEST_F(DocumentFileBoundsTest, TheDirectReaderTellsApartItsNumberOfNamesAndHandsOverMore)
{
    // "Chronark", "version" and "document" are three names; each element below
    // brings one more.
    auto names = [](int count) {
        QByteArray inner = "<document>";
        for (int i = 0; i < count - 3; ++i)
            inner += "<n" + QByteArray(1, char('a' + i / 26)) + QByteArray(1, char('a' + i % 26)) + "/>";
        return wrap(inner + "</document>");
    };
    const int bound = int(WrittenFormTokens::MaximumNames);
    expectReadAtTheBound(names(bound));
    // One name more is read by the library alone, to the same document.
    expectReadAtTheBound(names(bound + 1), true);
}

TEST_F(DocumentFileBoundsTest, ARunOfBlanksIsBoundedBetweenTags)
{
    const qint64 bound = DocumentFileFormat::MaximumWhitespaceLength;
    for (const char blank : {' ', '\n', '\t'}) {
        SCOPED_TRACE(int(blank));
        expectReadAtTheBound(wrap("<document>" + QByteArray(bound, blank) + "<jobEntry/></document>"));
        expectRefusedPastTheBound(wrap("<document>" + QByteArray(bound + 1, blank) + "<jobEntry/></document>"));
    }
    // After the root element too ("wrap" ends with a line feed).
    expectReadAtTheBound(wrap("<document/>") + QByteArray(bound - 1, ' '));
    expectRefusedPastTheBound(wrap("<document/>") + QByteArray(bound, ' '));
    // Runs count one by one: many at the bound pass.
    expectReadAtTheBound(wrap("<document>" + QByteArray(QByteArray(bound, ' ') + "<jobEntry/>").repeated(3) + "</document>"));
}

TEST_F(DocumentFileBoundsTest, AValueAndTheValuesOfATagAreBoundedInCharacters)
{
    const qint64 bound = DocumentFileFormat::MaximumAttributeLength;
    // A value at the bound is longer than the direct reader holds: the library reads it.
    expectReadAtTheBound(wrap("<document itemName=\"" + QByteArray(bound, 'n') + "\"/>"), true);
    expectRefusedPastTheBound(wrap("<document itemName=\"" + QByteArray(bound + 1, 'n') + "\"/>"));
    // In characters: a reference is one.
    expectReadAtTheBound(wrap("<document itemName=\"" + QByteArray(bound - 1, 'n') + "&amp;\"/>"), true);
    expectRefusedPastTheBound(wrap("<document itemName=\"" + QByteArray(bound, 'n') + "&amp;\"/>"));

    // The values of one tag together.
    const qint64 tag = DocumentFileFormat::MaximumTagTextLength;
    const QByteArray full(bound, 'v');
    const QByteArray twoFull = "<document itemName=\"" + full + "\" description=\"" + full + "\" wage=\"";
    expectReadAtTheBound(wrap(twoFull + QByteArray(tag - 2 * bound, '1') + "\"/>"), true);
    expectRefusedPastTheBound(wrap(twoFull + QByteArray(tag - 2 * bound + 1, '1') + "\"/>"));
}

TEST_F(DocumentFileBoundsTest, ReferencesAndAttributesOfATagUpToTheirBounds)
{
    // References of all values of a tag together.
    const qint64 references = DocumentFileFormat::MaximumReferencesPerTag;
    const QByteArray half = QByteArray("&amp;").repeated(references / 2);
    expectReadAtTheBound(wrap("<document><jobEntry itemName=\"" + half + "\" description=\"" + half + "\"/></document>"));
    expectRefusedPastTheBound(
        wrap("<document><jobEntry itemName=\"" + half + "&#9;\" description=\"" + half + "\"/></document>"));

    auto attributes = [](int count) {
        QByteArray a;
        for (int i = 0; i < count; ++i)
            a += " a" + QByteArray(1, char('a' + i / 26)) + QByteArray(1, char('a' + i % 26)) + "=\"1\"";
        return wrap("<document><jobEntry" + a + "/></document>");
    };
    const int bound = DocumentFileFormat::MaximumAttributesPerElement;
    expectReadAtTheBound(attributes(bound));
    expectRefusedPastTheBound(attributes(bound + 1));
}

} // namespace
