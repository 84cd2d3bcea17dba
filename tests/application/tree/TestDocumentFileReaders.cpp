// The two readers behind DocumentFileFormat::readXmlDevice side by side: the direct
// reader of the writer's form and the XML library's reader behind the markup guard.
// Whatever the direct reader does not hand over, it must answer as the library does:
// the same document (compared through its written form) or a refusal.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/Clock.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        const QByteArray bytes = DocumentFileFormat::toXmlData(*randomTree(random), someStore());
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
        wrap("<document itemName = \"spaced\"/>"),
        wrap("<document  itemName=\"two blanks\"/>"),
        wrap("<document itemName=\"a\" itemName=\"twice\"/>"),
        wrap("<document><jobEntry></dayEntry></document>"),
        wrap("<document itemName=\"&#1;\"/>"),
        wrap("<document itemName=\"&unknown;\"/>"),
        wrap("<document itemName=\"\xc3\"/>"),   // a cut UTF-8 sequence
        wrap("<document itemName=\"\xed\xa0\x80\"/>"), // an encoded surrogate
        wrap("<ns:document/>"),
        wrap("<document/>") + "<!-- after the root -->",
        wrap("<document>text</document>"),
        "\xef\xbb\xbf" + wrap("<document/>"),
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Chronark/>",
        "<?xml version=\"1.0\"?><!DOCTYPE Chronark [<!ENTITY a \"b\">]><Chronark/>",
        "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>", // cut short
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
    const QByteArray cases[] = {
        "<?xml version=\"1.0\"?><Other version=\"2.0\"><document/></Other>",
        wrap("<document>" + deep + "</document>"),
    };
    for (const QByteArray &bytes : cases) {
        const Answer d = direct(bytes);
        EXPECT_FALSE(d.handedOver);
        EXPECT_FALSE(d.read);
        EXPECT_FALSE(library(bytes).read);
    }
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

} // namespace
