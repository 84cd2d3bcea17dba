// The two readers behind DocumentFileFormat::readXmlDevice side by side: the direct
// reader of the writer's form and the XML library's reader behind the markup guard.
// Whatever the direct reader does not hand over, it must answer as the library does:
// the same document (compared through its written form) or a refusal. A damaged file
// of the writer's form is answered by the direct reader alone, in one read.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/Clock.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

struct Answer
{
    bool read = false;
    bool handedOver = false;
    QByteArray written; // the document as the writer writes it, when read
};

Answer direct(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DocumentFileFormat::ReadResult out;
    Answer a;
    a.read = DocumentFileFormat::readWrittenForm(&buffer, out, &a.handedOver);
    if (a.read)
        a.written = DocumentFileFormat::toXmlData(*out.root, out.store);
    return a;
}

Answer library(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DocumentFileFormat::ReadResult out;
    Answer a;
    a.read = DocumentFileFormat::readXmlWithLibrary(&buffer, out);
    if (a.read)
        a.written = DocumentFileFormat::toXmlData(*out.root, out.store);
    return a;
}

// Direct and library agree on these bytes (or the direct reader handed them over,
// in which case readXmlData answers as the library does).
void expectSameAnswer(const QByteArray &bytes, const char *what)
{
    SCOPED_TRACE(what);
    const Answer d = direct(bytes);
    const Answer l = library(bytes);
    DocumentFileFormat::ReadResult out;
    EXPECT_EQ(DocumentFileFormat::readXmlData(bytes, out), l.read);
    if (d.handedOver) {
        EXPECT_FALSE(d.read);
        return;
    }
    EXPECT_EQ(d.read, l.read);
    EXPECT_EQ(d.written, l.written);
}

QByteArray wrap(const QByteArray &inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">" + inner + "</Chronark>\n";
}

QString randomText(std::mt19937 &random)
{
    static const QStringList pieces = {
        QStringLiteral("&"), QStringLiteral("&amp;"), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("\""),
        QStringLiteral("'"), QStringLiteral("\t"), QStringLiteral("\n"), QStringLiteral("\r\n"),
        QStringLiteral("\r"), QStringLiteral("\n\r"),
        QString(QChar(0x2028)), QStringLiteral("é"), QStringLiteral("\U0001F600"), QStringLiteral(" a b "),
        QStringLiteral("]]>"), QStringLiteral("<!DOCTYPE"), QString(QChar(0x7F)), QString(QChar(0x85))};
    QString text;
    const int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < count; ++i)
        text += pieces[std::uniform_int_distribution<int>(0, int(pieces.size()) - 1)(random)];
    return text;
}

NodePtr randomTree(std::mt19937 &random)
{
    const QDateTime start(QDate(2024, 3, 31), QTime(1, 0));
    NodePtr root = Node::create(Node::Root, start);
    std::vector<NodePtr> parents{root};
    const int count = std::uniform_int_distribution<int>(1, 60)(random);
    for (int i = 0; i < count; ++i) {
        static const int types[] = {Node::Group, Node::Job, Node::Day, Node::TimeEntry};
        NodePtr node = Node::create(types[std::uniform_int_distribution<int>(0, 3)(random)],
                                    start.addSecs(std::uniform_int_distribution<int>(0, 1 << 20)(random)));
        node->setItemName(randomText(random));
        node->setDescript(randomText(random));
        node->setWage(float(std::uniform_int_distribution<int>(0, 10000)(random)) / 7.0f);
        parents[size_t(std::uniform_int_distribution<int>(0, int(parents.size()) - 1)(random))]->addChild(node);
        parents.push_back(node);
    }
    root->recalcWorkTimeForTree();
    return root;
}

DocumentValuesStore someStore()
{
    DocumentValuesStore store;
    store.setWindowFrame(QRectF(12, 30, 900, 700));
    store.setDescriptVisible(true);
    store.setTableColumnArray({TableColumnData(QStringLiteral("itemName"), 300.0f),
                               TableColumnData(QStringLiteral("a \"b\" & <c>"), 80.0f)});
    return store;
}

// The same document through the XML library's writer.
QByteArray libraryWritten(const Node &root, const DocumentValuesStore &store)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    DocumentFileFormat::writeDocument(writer, root, store);
    return bytes;
}

// A node without a date of its own is dated at the moment of reading: one moment
// for both readers.
class DocumentFileReadersTest : public ::testing::Test
{
protected:
    void SetUp() override { platform::Clock::setNow(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC)); }
    void TearDown() override { platform::Clock::useSystemClock(); }
};

TEST_F(DocumentFileReadersTest, WrittenDocumentsAreReadDirectlyAsTheLibraryReadsThem)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const NodePtr tree = randomTree(random);
        const QByteArray bytes = DocumentFileFormat::toXmlData(*tree, someStore());
        // The document's writer writes what the XML library's writer writes.
        EXPECT_EQ(bytes, libraryWritten(*tree, someStore()));
        const Answer d = direct(bytes);
        const Answer l = library(bytes);
        ASSERT_FALSE(d.handedOver);
        ASSERT_TRUE(d.read);
        ASSERT_TRUE(l.read);
        EXPECT_EQ(d.written, l.written);
    }
}

TEST_F(DocumentFileReadersTest, DamagedDocumentsGetTheLibrarysAnswer)
{
    // Bytes changed, dropped and repeated at random places of written documents:
    // whatever the direct reader keeps, it answers as the library does.
    int directAnswers = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 random(seed);
        QByteArray bytes = DocumentFileFormat::toXmlData(*randomTree(random), someStore());
        const int edits = std::uniform_int_distribution<int>(1, 3)(random);
        for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
            const qsizetype at = std::uniform_int_distribution<qsizetype>(0, bytes.size() - 1)(random);
            static const char alphabet[] = "<>/=\"'&;# \t\nxa\x80\xc3\xa9";
            switch (std::uniform_int_distribution<int>(0, 2)(random)) {
            case 0:
                bytes[at] = alphabet[std::uniform_int_distribution<int>(0, int(sizeof alphabet) - 2)(random)];
                break;
            case 1:
                bytes.remove(at, std::uniform_int_distribution<qsizetype>(1, 8)(random));
                break;
            default:
                bytes.insert(at, bytes.mid(at, std::uniform_int_distribution<qsizetype>(1, 30)(random)));
                break;
            }
        }
        const std::string trace = "seed " + std::to_string(seed);
        expectSameAnswer(bytes, trace.c_str());
        directAnswers += direct(bytes).handedOver ? 0 : 1;
    }
    EXPECT_GT(directAnswers, 40); // the comparison covers the direct reader's own answers
}

TEST_F(DocumentFileReadersTest, OtherXmlIsHandedToTheLibrary)
{
    const QByteArray cases[] = {
        wrap("<document itemName='single quotes'/>"),
        wrap("<!-- a comment --><document/>"),
        wrap("<document><![CDATA[x]]></document>"),
        wrap("<document itemName=\"a\tb\"/>"), // the library normalizes line ends and tabs
        wrap("<document itemName=\"a\nb\"/>"),
        wrap("<document itemName = \"spaced\"/>"),
        wrap("<document  itemName=\"two blanks\"/>"),
        wrap("<document itemName=\"&#00000000065;\"/>"), // a number of more digits than needed
        wrap("<ns:document/>"),
        wrap("<document/>") + "<!-- after the root -->",
        wrap("<document>text</document>"),
        wrap("<document>\xc3\xa9</document>"),
        wrap("<document></document >"),
        "\xef\xbb\xbf" + wrap("<document><!-- a note --></document>"),
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Chronark/>",
        "<?xml version=\"1.0\"?><!DOCTYPE Chronark [<!ENTITY a \"b\">]><Chronark/>",
    };
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_TRUE(direct(bytes).handedOver);
        expectSameAnswer(bytes, "handed over");
    }
}

TEST_F(DocumentFileReadersTest, DirectRefusalsAreTheLibrarysRefusals)
{
    QByteArray deep;
    for (int i = 0; i < DocumentFileFormat::MaximumDepth; ++i)
        deep += "<groupEntry>";
    for (int i = 0; i < DocumentFileFormat::MaximumDepth; ++i)
        deep += "</groupEntry>";
    // What no XML reader takes, wherever it stands in a document of the writer's
    // form: the direct reader refuses it without handing it over.
    const QByteArray cases[] = {
        "<?xml version=\"1.0\"?><Other version=\"2.0\"><document/></Other>",
        wrap("<document>" + deep + "</document>"),
        wrap("<document itemName=\"a\" itemName=\"twice\"/>"),
        wrap("<document><jobEntry></dayEntry></document>"),
        wrap("<document></jobEntry>"),
        wrap("<document itemName=\"&#1;\"/>"),
        wrap("<document itemName=\"&#xD800;\"/>"),
        wrap("<document itemName=\"&#X41;\"/>"),
        wrap("<document itemName=\"&#;\"/>"),
        wrap("<document itemName=\"&unknown;\"/>"),
        wrap("<document itemName=\"&amp x\"/>"),
        wrap("<document itemName=\"a<b\"/>"),
        wrap("<document itemName=\"\xc3\"/>"),          // a cut UTF-8 sequence
        wrap("<document itemName=\"\xed\xa0\x80\"/>"),  // an encoded surrogate
        wrap("<document itemName=\"\xc0\xaf\"/>"),      // an overlong form
        wrap("<document itemName=\"\xef\xbf\xbe\"/>"),  // U+FFFE
        wrap("<document itemName=\"a\x01\"/>"),
        wrap(QByteArray("<document itemName=\"a\0\"/>", 25)),
        wrap(QByteArray("<document>\0\0\0</document>", 24)),
        wrap("<document\x1f/>"),
        wrap("<document itemName=\"a\"\x02/>"),
        "<?xml version=\"1.0\"?></Chronark>",
        // Cut short: in a tag, in a value, between tags, before the root.
        "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>",
        "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document itemName=\"ab",
        "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><docu",
        "<?xml version=\"1.0\"?>\n",
        // Past the guard's bounds: blanks, a value, attributes.
        wrap("<document>" + QByteArray(DocumentFileFormat::MaximumWhitespaceLength + 1, ' ') + "</document>"),
        wrap("<document itemName=\"" + QByteArray(DocumentFileFormat::MaximumAttributeLength + 1, 'n') + "\"/>"),
        wrap("<document itemName=\"" + QByteArray("&amp;").repeated(DocumentFileFormat::MaximumReferencesPerTag + 1) + "\"/>"),
    };
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.left(120).toStdString());
        const Answer d = direct(bytes);
        EXPECT_FALSE(d.handedOver);
        EXPECT_FALSE(d.read);
        EXPECT_FALSE(library(bytes).read);
        DocumentFileFormat::ReadResult out;
        EXPECT_FALSE(DocumentFileFormat::readXmlData(bytes, out));
    }
}

// A source that hands out its bytes a few at a time after its first line (the XML
// library looks for the declaration in its first read): the UTF-8 sequences are
// split across reads wherever the step puts the reads' ends.
class SmallReadsBuffer : public QBuffer
{
public:
    explicit SmallReadsBuffer(const QByteArray &bytes, qint64 step) : m_step(step)
    {
        setData(bytes);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 firstLine = buffer().indexOf('\n') + 1;
        return QBuffer::readData(data, std::min(maxSize, pos() < firstLine ? firstLine - pos() : m_step));
    }

private:
    qint64 m_step;
};

// After the root element only white space and markup may stand. A character cut
// short there (which the XML library's decoder waits for, and forgets at the end),
// a whole character or any other text is refused: by the direct reader itself in the
// writer's form, by the library's reader in any form, from bytes, from a file and
// from a source that hands out a few bytes at a time.
TEST_F(DocumentFileReadersTest, TextOrACutCharacterAfterTheRootIsRefusedByBothReaders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tail.chronark"));
    const QByteArray written = wrap("<document itemName=\"\xc3\xa9\xf0\x9f\x98\x80\"/>").chopped(1); // "…</Chronark>"
    const QByteArray otherForm = written + "<!-- a note -->";
    const QByteArray tails[] = {"\xe2\x82", "\xf0\x9f\x98", "\xf0\x9f", "\xc3", "\n\xe2\x82", "\xe2\x82\xac", "\xc3\xa9\n", "x"};
    for (const QByteArray &opening : {written, otherForm}) {
        SCOPED_TRACE(opening == written ? "the writer's form" : "another form");
        for (const QByteArray &blanks : {QByteArray(), QByteArray("\n \t\r\n")}) {
            const QByteArray bytes = opening + blanks;
            EXPECT_TRUE(library(bytes).read);
            EXPECT_EQ(direct(bytes).read, opening == written);
            for (const qint64 step : {1, 2, 3, 5, 7}) {
                SmallReadsBuffer reads(bytes, step);
                DocumentFileFormat::ReadResult out;
                EXPECT_TRUE(DocumentFileFormat::readXmlWithLibrary(&reads, out)) << step;
            }
        }
        for (const QByteArray &tail : tails) {
            const QByteArray bytes = opening + tail;
            SCOPED_TRACE(tail.toPercentEncoding().toStdString());
            const Answer d = direct(bytes);
            EXPECT_FALSE(d.read);
            EXPECT_EQ(d.handedOver, opening != written);
            EXPECT_FALSE(library(bytes).read);
            DocumentFileFormat::ReadResult out;
            EXPECT_FALSE(DocumentFileFormat::readXmlData(bytes, out));
            for (const qint64 step : {1, 2, 3, 5, 7}) {
                SmallReadsBuffer reads(bytes, step);
                EXPECT_FALSE(DocumentFileFormat::readXmlWithLibrary(&reads, out)) << step;
            }
            ASSERT_TRUE(testsupport::writeFile(path, bytes));
            EXPECT_FALSE(DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out));
            EXPECT_EQ(out.root, nullptr);
        }
    }
}

// A UTF-8 byte-order mark before the declaration (other editors write one) is no
// part of the document: both readers read what follows as they read it without the
// mark, from bytes, from a file and from a source that hands out a few bytes at a
// time; the direct reader still answers for the writer's form. A mark anywhere else
// (a second one, one after the declaration or after the root element) and anything
// but XML after the mark are refused as before.
TEST_F(DocumentFileReadersTest, AByteOrderMarkBeforeTheDeclarationIsReadByBothReaders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("marked.chronark"));
    const QByteArray mark = DocumentFileFormat::ByteOrderMark;
    ASSERT_EQ(mark, QByteArray("\xef\xbb\xbf"));
    std::mt19937 random(1729);
    const QByteArray written = DocumentFileFormat::toXmlData(*randomTree(random), someStore());
    const QByteArray documents[] = {
        written,
        wrap("<!-- a note --><document itemName='single quotes'/>"),
        "<?xml version=\"1.0\"?>\n<Chronark/>",
    };
    const auto readFile = [&](const QByteArray &bytes, QByteArray *readBack) {
        DocumentFileFormat::ReadResult out;
        const bool read = testsupport::writeFile(path, bytes)
                          && DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out);
        if (read && readBack)
            *readBack = DocumentFileFormat::toXmlData(*out.root, out.store);
        return read;
    };
    for (const QByteArray &document : documents) {
        SCOPED_TRACE(document.left(80).toStdString());
        const Answer plain = library(document);
        ASSERT_TRUE(plain.read);
        const QByteArray bytes = mark + document;
        const Answer d = direct(bytes);
        EXPECT_EQ(d.handedOver, direct(document).handedOver);
        if (!d.handedOver) {
            EXPECT_TRUE(d.read);
            EXPECT_EQ(d.written, plain.written);
        }
        const Answer l = library(bytes);
        EXPECT_TRUE(l.read);
        EXPECT_EQ(l.written, plain.written);
        DocumentFileFormat::ReadResult out;
        ASSERT_TRUE(DocumentFileFormat::readData(bytes, out));
        EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store), plain.written);
        QByteArray fromFile;
        EXPECT_TRUE(readFile(bytes, &fromFile));
        EXPECT_EQ(fromFile, plain.written);
        for (const qint64 step : {1, 2, 3}) {
            SmallReadsBuffer reads(bytes, step);
            DocumentFileFormat::ReadResult small;
            EXPECT_TRUE(DocumentFileFormat::readXmlWithLibrary(&reads, small)) << step;
        }
    }
    const qsizetype afterDeclaration = written.indexOf('>') + 1;
    const QByteArray refused[] = {
        mark + mark + written,
        QByteArray(written).insert(afterDeclaration, mark),
        written + mark,
        written.trimmed() + mark,
        mark + " " + written,
        mark + QByteArray("\x04\x0btypedstream\x81\x03\xe8\x84\x01@", 18),
        mark,
    };
    for (const QByteArray &bytes : refused) {
        SCOPED_TRACE(bytes.left(80).toPercentEncoding().toStdString());
        expectSameAnswer(bytes, "a mark elsewhere");
        EXPECT_FALSE(library(bytes).read);
        DocumentFileFormat::ReadResult out;
        EXPECT_FALSE(DocumentFileFormat::readData(bytes, out));
        EXPECT_FALSE(readFile(bytes, nullptr));
    }
}

// An attribute name is an XML name or the document is refused, by whichever reader
// reads it, from bytes or from a file, wherever the attribute stands: the XML library
// checks element names, not attribute names, and an attribute it let through was
// dropped, its value falling back to the default.
TEST_F(DocumentFileReadersTest, AttributesNamedOutsideXmlNamesAreRefusedByEveryReader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("named.chronark"));
    const auto readFile = [&](const QByteArray &bytes, DocumentFileFormat::ReadResult &out) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        return DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out);
    };
    // Where an attribute may stand: the root, a node, the window state, a column, an
    // element the reader skips.
    const auto placed = [](const QByteArray &name) {
        const QByteArray a = " " + name + "=\"1\"";
        return QList<QByteArray>{
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\"" + a + "><document/></Chronark>\n",
            wrap("<document itemName=\"kept\"" + a + "/>"),
            wrap("<document><jobEntry" + a + " itemName=\"job\"/></document>"),
            wrap("<documentValues available=\"yes\"" + a + "/>"),
            wrap("<documentValues><tableColumnArray><tableColumnData width=\"5.0\"" + a
                 + "/></tableColumnArray></documentValues>"),
            wrap("<unknown" + a + "/><document/>"),
        };
    };
    const QByteArray refused[] = {
        "a\xef\xbf\xbe" "b", // U+FFFE
        "a\xe2\x80\xa8" "b", // U+2028
        "a\xc2\x85" "b",     // U+0085
        "a@b",
        "a\xc3\x97" "b",     // U+00D7
        "\xc3\x97" "ab",
        "a\x01" "b",
        "\xcc\x80" "a",      // a combining mark may follow, not begin, a name
        "a\xf3\xb0\x80\x80", // U+F0000: past the names' planes
    };
    for (const QByteArray &name : refused) {
        for (const QByteArray &bytes : placed(name)) {
            SCOPED_TRACE(bytes.toStdString());
            const Answer d = direct(bytes);
            EXPECT_FALSE(d.read);
            EXPECT_FALSE(library(bytes).read);
            DocumentFileFormat::ReadResult out;
            EXPECT_FALSE(DocumentFileFormat::readXmlData(bytes, out));
            EXPECT_FALSE(readFile(bytes, out));
            EXPECT_FALSE(out.root) << "a refused document leaves the result untouched";
        }
    }
    // Names XML allows beyond the writer's letters: the library reads the document and
    // passes over the attribute it does not know.
    const QByteArray allowed[] = {"a_b", "a:b", "a.b-1", "_x", "\xc3\xa9t\xc3\xa9", "a\xc2\xb7" "b",
                                  "\xf0\x90\x80\x80" "a", "a\xcc\x80"};
    for (const QByteArray &name : allowed) {
        for (const QByteArray &bytes : placed(name)) {
            SCOPED_TRACE(bytes.toStdString());
            EXPECT_TRUE(direct(bytes).handedOver);
            expectSameAnswer(bytes, "an XML name");
            DocumentFileFormat::ReadResult out;
            ASSERT_TRUE(readFile(bytes, out));
            ASSERT_TRUE(out.root);
            if (bytes.contains("itemName=\"kept\"")) {
                EXPECT_EQ(out.root->itemName(), QStringLiteral("kept"));
            }
        }
    }
}

// A value is read as it is written, by both readers: a zero keeps its sign, on a node
// whose wage and turnover the library's reader sets through the node's setters and the
// direct reader stores at once, and through the sums of the nodes above.
TEST_F(DocumentFileReadersTest, NegativeZerosReadAsWrittenByBothReaders)
{
    const QByteArray bytes = wrap(
        "<document><groupEntry createDate=\"2024-03-31 01:00:00 +0100\" lastDate=\"2024-03-31 01:00:00 +0100\">"
        "<jobEntry wage=\"-0.000000\" turnover=\"-0.000000\"><dayEntry>"
        "<timeEntry createDate=\"2024-03-31 03:00:00 +0100\" lastDate=\"2024-03-31 01:00:00 +0100\"/>"
        "</dayEntry></jobEntry><jobEntry wage=\"-0.000000\" turnover=\"-0.000000\"/></groupEntry></document>");
    EXPECT_FALSE(direct(bytes).handedOver);
    expectSameAnswer(bytes, "negative zeros");
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readXmlData(bytes, out));
    const NodePtr job = out.root->childAtIndex(0)->childAtIndex(1);
    ASSERT_TRUE(job);
    EXPECT_TRUE(std::signbit(job->wage()));
    EXPECT_TRUE(std::signbit(job->turnover()));
    EXPECT_TRUE(library(bytes).written.contains("wage=\"-0.000000\""));
}

TEST_F(DocumentFileReadersTest, TagsAcrossBlocksAndValuesAtTheirBoundsReadFromAFile)
{
    // A value far longer than the direct reader's block, read directly; one at the
    // bound of the attribute length, read; one past it, refused.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.chronark"));
    const qsizetype bound = DocumentFileFormat::MaximumAttributeLength;
    const std::pair<qsizetype, bool> lengths[] = {{300'000, true}, {bound, true}, {bound + 1, false}};
    for (const auto &[length, readable] : lengths) {
        SCOPED_TRACE(length);
        const QByteArray bytes = wrap("<document itemName=\"" + QByteArray(length - 4, 'x') + "&amp;&#233;yz\"/>");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        DocumentFileFormat::ReadResult out;
        EXPECT_EQ(DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out), readable);
        if (length < bound) {
            EXPECT_FALSE(direct(bytes).handedOver);
        }
        if (readable) {
            ASSERT_TRUE(out.root);
            EXPECT_EQ(out.root->itemName().size(), length);
        }
    }
}

// Every field of every node, with what the written form leaves out (a text's null
// state, a date's kind of offset), in tree order.
QString fieldsOfTree(const Node &node)
{
    auto date = [](const QDateTime &d) {
        return QStringLiteral("%1/%2/%3/%4")
            .arg(d.isValid())
            .arg(d.toMSecsSinceEpoch())
            .arg(int(d.timeSpec()))
            .arg(d.offsetFromUtc());
    };
    auto text = [](const QString &t) { return t.isNull() ? QStringLiteral("null") : QLatin1Char('"') + t + QLatin1Char('"'); };
    QString fields = QStringLiteral("(%1 %2 %3 %4 %5 %6:%7 c%8 %9%10 ")
                         .arg(node.type())
                         .arg(text(node.itemName()), text(node.descript()), date(node.cDate()), date(node.lDate()))
                         .arg(node.hours())
                         .arg(node.minutes())
                         .arg(node.colorLabel())
                         .arg(node.active() ? u'a' : u'-')
                         .arg(node.executed() ? u'x' : u'-');
    fields += QString::number(double(node.turnover()), 'a') + QLatin1Char(' ') + QString::number(double(node.wage()), 'a');
    for (qsizetype i = 0; i < node.childrenCount(); ++i)
        fields += fieldsOfTree(*node.childAtIndex(i));
    return fields + QLatin1Char(')');
}

// A node element in the writer's form with attributes in any order, some missing,
// some unknown, and values of every kind the fields are read from: dates the writer
// writes and near misses, numbers with signs, blanks, exponents and junk, texts with
// entities written once or twice.
QByteArray randomNodeElement(std::mt19937 &random, int depth)
{
    auto pick = [&](const auto &list) {
        return list[size_t(std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(random))];
    };
    static const char *const elements[] = {"jobEntry", "dayEntry", "timeEntry", "groupEntry", "document", "otherEntry"};
    static const char *const names[] = {"createDate", "lastDate", "itemName", "hours", "minutes", "colorLabelType",
                                        "active", "executed", "description", "turnover", "wage", "unknown"};
    static const char *const dates[] = {
        "2024-03-31 01:00:00 +0100", "2024-02-29 23:59:59 -0530", "2023-02-29 10:00:00 +0000",
        "2024-03-31 24:00:00 +0100", "2024-03-31 01:60:00 +0100", "2024-03-31 01:00:60 +0100",
        "2024-13-01 01:00:00 +0100", "0000-01-01 00:00:00 +0000", "9999-12-31 23:59:59 +1459",
        "2024-03-31 01:00:00 +1500", "2024-03-31 01:00:00 +0160", "2024-03-31 01:00:00 0100",
        "2024-03-31 01:00:00 +01000", "2024-03-31 01:00:00 +010", "2024-3-31 01:00:00 +01000",
        "2024-03-31T01:00:00 +0100", "2024-03-31 01:00:00 -0000", "20a4-03-31 01:00:00 +0100",
        "2024-03-31 01:00:00 +01a0", "", "1970-01-01 00:00:00 +0000", "2038-01-19 03:14:08 -1200"};
    static const char *const numbers[] = {"0", "12", "-7", "+3", " 42", "&#9;5", "1e3", "2.5", "-0.000001", "12.345678",
                                          "3.4028235e38", "1e39", "-1e39", "1e-50", "2147483647", "2147483648",
                                          "-2147483649", "99999999999", "7x", "x7", "", ".5", "5.", "-", "nan"};
    static const char *const texts[] = {"", "plain", "a &amp;amp; b", "&amp;lt;tag&amp;gt;", "&amp;quot;q&amp;quot;",
                                        "&amp;apos;", "&amp;", "&amp;amp", "line&#10;next", "cr&#13;&#10;lf",
                                        "tab&#9;", "&quot;&apos;&lt;&gt;", "\xc3\xa9t\xc3\xa9", "&#x1F600;",
                                        "&amp;#10;", " lead and trail ", "lone&#13;cr", "&#13;&#13;", "lf&#10;&#13;cr",
                                        "&#13;", "a&#13;&#10;&#13;b&#13;"};
    static const char *const flags[] = {"yes", "no", "YES", "", "yes ", "1"};

    const QByteArray name = pick(elements);
    QByteArray element = "<" + name;
    std::vector<int> order(std::size(names));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    order.resize(std::uniform_int_distribution<size_t>(0, order.size())(random));
    if (std::uniform_int_distribution<int>(0, 1)(random))
        std::sort(order.begin(), order.end()); // the writer's order
    for (const int n : order) {
        QByteArray value;
        if (n <= 1)
            value = pick(dates);
        else if (n == 2 || n == 8 || n == 11)
            value = pick(texts);
        else if (n == 6 || n == 7)
            value = pick(flags);
        else
            value = pick(numbers);
        element += ' ' + QByteArray(names[n]) + "=\"" + value + '"';
    }
    const int children = depth < 4 ? std::uniform_int_distribution<int>(0, 3)(random) : 0;
    if (children == 0)
        return element + "/>";
    element += '>';
    for (int i = 0; i < children; ++i)
        element += randomNodeElement(random, depth + 1);
    return element + "</" + name + '>';
}

TEST_F(DocumentFileReadersTest, NodeValuesInEveryFormAreReadDirectlyAsTheLibraryReadsThem)
{
    // The direct reader stores a node's values without announcing them; the library's
    // reader goes through the setters. Both end with the same fields.
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        QByteArray inner = "<document>";
        const int count = std::uniform_int_distribution<int>(1, 6)(random);
        for (int i = 0; i < count; ++i)
            inner += randomNodeElement(random, 1);
        const QByteArray bytes = wrap(inner + "</document>");
        SCOPED_TRACE(bytes.toStdString());

        QBuffer directBytes;
        directBytes.setData(bytes);
        directBytes.open(QIODevice::ReadOnly);
        DocumentFileFormat::ReadResult d;
        bool handedOver = true;
        const bool directRead = DocumentFileFormat::readWrittenForm(&directBytes, d, &handedOver);
        ASSERT_FALSE(handedOver);
        ASSERT_TRUE(directRead);
        QBuffer libraryBytes;
        libraryBytes.setData(bytes);
        libraryBytes.open(QIODevice::ReadOnly);
        DocumentFileFormat::ReadResult l;
        ASSERT_TRUE(DocumentFileFormat::readXmlWithLibrary(&libraryBytes, l));
        EXPECT_EQ(fieldsOfTree(*d.root), fieldsOfTree(*l.root));
        EXPECT_EQ(DocumentFileFormat::toXmlData(*d.root, d.store), DocumentFileFormat::toXmlData(*l.root, l.store));
    }
}

// A buffer that counts the bytes it hands out.
class CountingBuffer : public QBuffer
{
public:
    qint64 handedOut = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = QBuffer::readData(data, maxSize);
        if (n > 0)
            handedOut += n;
        return n;
    }
};

// A written document of about a megabyte.
QByteArray largeWrittenDocument()
{
    const QDateTime start(QDate(2024, 3, 31), QTime(1, 0));
    NodePtr root = Node::create(Node::Root, start);
    for (int j = 0; j < 40; ++j) {
        NodePtr job = Node::create(Node::Job, start);
        job->setItemName(QStringLiteral("Job \u00e9 %1").arg(j));
        for (int d = 0; d < 20; ++d) {
            NodePtr day = Node::create(Node::Day, start.addDays(d));
            for (int e = 0; e < 5; ++e)
                day->addChild(Node::create(Node::TimeEntry, start.addDays(d).addSecs(600 * e)));
            job->addChild(day);
        }
        root->addChild(job);
    }
    root->recalcWorkTimeForTree();
    return DocumentFileFormat::toXmlData(*root, someStore());
}

TEST_F(DocumentFileReadersTest, ADamagedDocumentOfTheWrittenFormIsReadOnce)
{
    // Damage as a crash, a disk or an editor leaves it, late in the file: the direct
    // reader refuses it as the library would, without the bytes being read again.
    const QByteArray written = largeWrittenDocument();
    ASSERT_GT(written.size(), 1 << 20);
    const qsizetype late = written.size() * 9 / 10;
    const qsizetype value = written.indexOf("itemName=\"Job", late - 50000) + 10;
    ASSERT_GT(value, late - 50000);
    const struct
    {
        const char *what;
        QByteArray bytes;
    } damages[] = {
        {"cut short", written.left(late)},
        {"cut inside a tag", written.left(written.indexOf("<timeEntry", late) + 12)},
        {"a block of zeros", written.left(late) + QByteArray(4096, '\0') + written.mid(late + 4096)},
        {"a byte of no UTF-8 in a value", written.left(value) + '\xff' + written.mid(value + 1)},
        {"a character cut in two", written.left(value + 5) + written.mid(value + 6)},
        {"an end tag of another element", written.left(late) + written.mid(late).replace("</dayEntry>", "</jobEntry>")},
        {"an unknown entity", written.left(value) + "&nbsp;" + written.mid(value)},
        {"'<' in a value", written.left(value) + "<" + written.mid(value + 1)},
    };
    for (const auto &d : damages) {
        SCOPED_TRACE(d.what);
        ASSERT_NE(d.bytes, written);
        CountingBuffer buffer;
        buffer.setData(d.bytes);
        buffer.open(QIODevice::ReadOnly);
        DocumentFileFormat::ReadResult out;
        EXPECT_FALSE(DocumentFileFormat::readXmlDevice(&buffer, out));
        EXPECT_EQ(out.root, nullptr);
        EXPECT_LE(buffer.handedOut, d.bytes.size());
        EXPECT_FALSE(library(d.bytes).read);
    }
    // A document of another form late in the file is read again, by the library alone.
    const qsizetype line = written.indexOf('\n', late) + 1;
    const QByteArray other = written.left(line) + "<!-- a note -->" + written.mid(line);
    CountingBuffer buffer;
    buffer.setData(other);
    buffer.open(QIODevice::ReadOnly);
    DocumentFileFormat::ReadResult out;
    EXPECT_TRUE(DocumentFileFormat::readXmlDevice(&buffer, out));
    EXPECT_GT(buffer.handedOut, other.size());
    EXPECT_LE(buffer.handedOut, 2 * other.size());
}

// A file of that many bytes: the bytes, then zeros (a hole: the file is sparse).
class CountingFile : public QFile
{
public:
    using QFile::QFile;
    qint64 handedOut = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = QFile::readData(data, maxSize);
        if (n > 0)
            handedOut += n;
        return n;
    }
};

// A sound opening, then a byte no document holds and zeros up to the file's end (the
// kind a crash or a disk leaves): refused by either reader, as the library refuses
// it, and at the first such byte: what is read does not grow with the zeros, also
// in a file large enough to have its start tags counted before it is read.
TEST_F(DocumentFileReadersTest, ZerosAfterASoundOpeningAreRefusedWhereTheyStartWhateverTheFilesSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray written = largeWrittenDocument();
    const QByteArray opening = written.left(written.indexOf('\n', written.size() / 2) + 1);
    // The same opening in another form (a comment first): the library reads it.
    const QByteArray otherForm = opening.left(opening.indexOf("<Chronark")) + "<!-- a note -->"
                                 + opening.mid(opening.indexOf("<Chronark"));
    // Past the size from which the start tags are counted first.
    constexpr qint64 large = 4 * (DocumentFileFormat::MaximumElementCount + 2) + (qint64(8) << 20);
    const struct
    {
        const char *what;
        QByteArray bytes;
    } openings[] = {
        {"the writer's form, then zeros", opening},
        {"the writer's form, a byte of no UTF-8, then zeros", opening + '\xff'},
        {"the writer's form, a control character, then zeros", opening + '\x01'},
        {"another form, then zeros", otherForm},
        {"another form, a byte of no UTF-8, then zeros", otherForm + '\xff'},
    };
    for (const auto &o : openings) {
        for (const qint64 size : {o.bytes.size() + 4096, large}) {
            SCOPED_TRACE(std::string(o.what) + (size == large ? ", large" : ", small"));
            const QString path = dir.filePath(QStringLiteral("zeros.chronark"));
            {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                ASSERT_EQ(file.write(o.bytes), o.bytes.size());
                ASSERT_TRUE(file.resize(size));
            }
            // Both readers answer, and alike: what the direct one does not hand over
            // it refuses, as the library does.
            const QByteArray head = o.bytes + QByteArray(4096, '\0');
            expectSameAnswer(head, o.what);
            EXPECT_FALSE(direct(head).read);
            EXPECT_FALSE(library(head).read);

            CountingFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            DocumentFileFormat::ReadResult out;
            EXPECT_FALSE(DocumentFileFormat::readXmlDevice(&file, out));
            EXPECT_EQ(out.root, nullptr);
            // The opening, read once or twice (by the library after the direct
            // reader), and a few blocks of zeros at most.
            EXPECT_LE(file.handedOut, 2 * o.bytes.size() + (qint64(4) << 20));
            EXPECT_FALSE(DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out));
        }
    }
}

} // namespace
