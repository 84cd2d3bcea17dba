// The two readers behind DocumentFileFormat::readXmlDevice side by side: the direct
// reader of the writer's form and the XML library's reader behind the markup guard.
// Whatever the direct reader does not hand over, it must answer as the library does:
// the same document (compared through its written form) or a refusal. And the direct
// reader in parts on several threads beside the direct reader of the whole file: what
// it reads, it reads as the whole reader does, field by field.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/Clock.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
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
                                        "&amp;#10;", " lead and trail "};
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

// A document of many top-level groups and jobs, each with days and entries, written
// by the writer: what the parts reader cuts.
NodePtr documentOfManyChildren(std::mt19937 &random)
{
    const QDateTime start(QDate(2024, 3, 31), QTime(1, 0));
    NodePtr root = Node::create(Node::Root, start);
    const int children = std::uniform_int_distribution<int>(2, 9)(random);
    for (int c = 0; c < children; ++c) {
        const bool group = std::uniform_int_distribution<int>(0, 2)(random) == 0;
        NodePtr top = Node::create(group ? Node::Group : Node::Job, start);
        top->setItemName(randomText(random));
        root->addChild(top);
        const int jobs = group ? std::uniform_int_distribution<int>(0, 3)(random) : 1;
        for (int j = 0; j < jobs; ++j) {
            NodePtr job = top;
            if (group) {
                job = Node::create(Node::Job, start);
                top->addChild(job);
            }
            job->setWage(float(std::uniform_int_distribution<int>(0, 10000)(random)) / 7.0f);
            const int days = std::uniform_int_distribution<int>(0, 12)(random);
            for (int d = 0; d < days; ++d) {
                NodePtr day = Node::create(Node::Day, start.addDays(d));
                job->addChild(day);
                const int entries = std::uniform_int_distribution<int>(0, 6)(random);
                for (int e = 0; e < entries; ++e) {
                    NodePtr entry = Node::create(Node::TimeEntry, start.addDays(d).addSecs(600 * e));
                    entry->setlDate(entry->cDate().addSecs(std::uniform_int_distribution<int>(0, 7200)(random)));
                    entry->setDescript(randomText(random));
                    day->addChild(entry);
                }
            }
        }
    }
    root->recalcWorkTimeForTree();
    return root;
}

// The file read in parts and whole, by the direct reader, with every field.
struct PartsAndWhole
{
    bool partsRead = false;
    QString parts;
    bool wholeRead = false;
    bool handedOver = false;
    QString whole;
};

PartsAndWhole readPartsAndWhole(const QString &path, int parts)
{
    PartsAndWhole answer;
    DocumentFileFormat::ReadResult inParts;
    answer.partsRead = DocumentFileFormat::readWrittenFormInParts(path, parts, inParts);
    if (answer.partsRead)
        answer.parts = fieldsOfTree(*inParts.root)
                       + QString::fromUtf8(DocumentFileFormat::toXmlData(*inParts.root, inParts.store));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return answer;
    DocumentFileFormat::ReadResult whole;
    answer.wholeRead = DocumentFileFormat::readWrittenForm(&file, whole, &answer.handedOver);
    if (answer.wholeRead)
        answer.whole = fieldsOfTree(*whole.root) + QString::fromUtf8(DocumentFileFormat::toXmlData(*whole.root, whole.store));
    return answer;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST_F(DocumentFileReadersTest, WrittenDocumentsReadInPartsAsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("parts.chronark"));
    int readInParts = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        writeFile(path, DocumentFileFormat::toXmlData(*documentOfManyChildren(random), someStore()));
        for (int parts = 2; parts <= 4; ++parts) {
            SCOPED_TRACE(parts);
            const PartsAndWhole answer = readPartsAndWhole(path, parts);
            ASSERT_TRUE(answer.wholeRead);
            if (!answer.partsRead)
                continue; // no cut between equal shares: the caller reads it whole
            ++readInParts;
            EXPECT_EQ(answer.parts, answer.whole);
        }
    }
    EXPECT_GT(readInParts, 120); // most are cut
}

TEST_F(DocumentFileReadersTest, DamagedDocumentsAreNeverReadOtherwiseInParts)
{
    // Damage where the parts reader cuts and joins: markup the writer does not make at
    // the children's indentation, elements closed early or twice, a second root, the
    // root's tag left open. Whatever is read in parts reads whole the same; the file
    // itself gets the whole reader's answer (the library's, when handed over).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.chronark"));
    static const char *const damages[] = {
        "\n        <!-- comment -->", "\n        </document>", "\n        <document>", "\n    </document>\n    <document>",
        "\n        </jobEntry>", "\n        <jobEntry>", "\n        <jobEntry/>", "\n        <otherEntry/>",
        "\n        <groupEntry itemName=\"a>b\"/>", "\n        text", "\n        <![CDATA[x]]>", ">", "<", "\"",
        "\n    <document itemName=\"x\">", "\n    <document/>", "</Chronark>", "\n        <jobEntry itemName=\"\n        <jobEntry/>\"/>"};
    int readInParts = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        QByteArray bytes = DocumentFileFormat::toXmlData(*documentOfManyChildren(random), someStore());
        // Mostly where lines start, where the cuts are.
        std::vector<qsizetype> lineStarts;
        for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1))
            lineStarts.push_back(i);
        const int edits = std::uniform_int_distribution<int>(1, 2)(random);
        for (int e = 0; e < edits; ++e) {
            const bool atLine = std::uniform_int_distribution<int>(0, 3)(random) > 0;
            const qsizetype at = atLine ? lineStarts[std::uniform_int_distribution<size_t>(0, lineStarts.size() - 1)(random)]
                                        : std::uniform_int_distribution<qsizetype>(0, bytes.size() - 1)(random);
            const QByteArray damage = damages[std::uniform_int_distribution<size_t>(0, std::size(damages) - 1)(random)];
            if (std::uniform_int_distribution<int>(0, 4)(random) == 0)
                bytes.remove(at, std::uniform_int_distribution<qsizetype>(1, 40)(random));
            else
                bytes.insert(at, damage);
        }
        writeFile(path, bytes);
        const PartsAndWhole answer = readPartsAndWhole(path, std::uniform_int_distribution<int>(2, 4)(random));
        if (answer.partsRead) {
            ++readInParts;
            EXPECT_TRUE(answer.wholeRead);
            EXPECT_FALSE(answer.handedOver);
            EXPECT_EQ(answer.parts, answer.whole);
        }
        DocumentFileFormat::ReadResult fromFile;
        DocumentFileFormat::ReadResult fromBytes;
        const bool fileRead = DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, fromFile);
        ASSERT_EQ(fileRead, DocumentFileFormat::readXmlData(bytes, fromBytes));
        if (fileRead) {
            EXPECT_EQ(fieldsOfTree(*fromFile.root), fieldsOfTree(*fromBytes.root));
        }
    }
    EXPECT_GT(readInParts, 15); // the damage left many readable
}

TEST_F(DocumentFileReadersTest, PartsAreReadUnderTheWholesBounds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bounds.chronark"));
    auto document = [](const QByteArray &children) -> QByteArray {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n    <document itemName=\"r\">"
               + children + "\n    </document>\n</Chronark>\n";
    };
    // Nesting: the deepest element of a part at the bound is read, one deeper refused.
    for (const int depth : {DocumentFileFormat::MaximumDepth, DocumentFileFormat::MaximumDepth + 1}) {
        SCOPED_TRACE(depth);
        QByteArray deep;
        for (int level = 3; level <= depth; ++level)
            deep += "<groupEntry>";
        for (int level = 3; level <= depth; ++level)
            deep += "</groupEntry>";
        writeFile(path, document("\n        <jobEntry itemName=\"a\"/>\n        " + deep + "\n        <jobEntry/>"));
        const PartsAndWhole answer = readPartsAndWhole(path, 3);
        EXPECT_EQ(answer.wholeRead, depth <= DocumentFileFormat::MaximumDepth);
        EXPECT_FALSE(answer.handedOver);
        EXPECT_EQ(answer.partsRead, answer.wholeRead);
        EXPECT_EQ(answer.parts, answer.whole);
    }
    // Roots: the last "document" element is the document's. The children cut out
    // belong to an earlier one, or to one inside another element: never joined to it.
    const QByteArray two = "\n        <jobEntry itemName=\"a\"/>\n        <jobEntry itemName=\"b\"/>";
    const QByteArray roots[] = {
        document(two) + "",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n    <document itemName=\"r\">" + two
            + "\n    </document>\n    <document/>\n</Chronark>\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n    <document itemName=\"r\">" + two
            + "\n    </document>\n    <document itemName=\"s\"></document>\n</Chronark>\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\"><other>\n    <document itemName=\"r\">" + two
            + "\n    </document></other>\n</Chronark>\n",
    };
    for (const QByteArray &bytes : roots) {
        SCOPED_TRACE(bytes.toStdString());
        writeFile(path, bytes);
        const PartsAndWhole answer = readPartsAndWhole(path, 2);
        ASSERT_TRUE(answer.wholeRead);
        if (answer.partsRead) {
            EXPECT_EQ(answer.parts, answer.whole);
        }
    }
    // Names: more different names than the direct reader tells apart, spread over the
    // parts so that none holds too many, are left to the whole reader (which hands
    // them to the library) as they would be in one part.
    QByteArray children;
    for (int part = 0; part < 2; ++part) {
        children += "\n        <jobEntry";
        for (int n = 0; n < 30; ++n)
            children += " x" + QByteArray(1, char('a' + part)) + QByteArray(1, char('a' + n % 26)) + QByteArray(1, char('a' + n / 26)) + "=\"1\"";
        children += "/>";
    }
    writeFile(path, document(children));
    const PartsAndWhole answer = readPartsAndWhole(path, 2);
    EXPECT_TRUE(answer.handedOver);
    EXPECT_FALSE(answer.partsRead);
    DocumentFileFormat::ReadResult out;
    EXPECT_TRUE(DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out));
    ASSERT_TRUE(out.root);
    EXPECT_EQ(out.root->childrenCount(), 2);
}

} // namespace
