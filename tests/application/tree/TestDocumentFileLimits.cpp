// The reader's bounds against hostile files (document type declarations, many
// attributes on one tag, oversized archives), and the writer's promise that every
// document it writes reads back, streamed into the save file and checked byte by byte.
#include "tests/support/ProcessMemory.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/tree/XmlMarkupGuardDevice.h"
#include "platform/foundation/CalendarDate.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <tuple>
#include <utility>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

namespace {

const QString Type = DocumentFileFormat::TypeName;

QByteArray wrap(const QByteArray &inner, const QByteArray &prolog = QByteArray())
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog + "<Chronark version=\"2.0\">" + inner
           + "</Chronark>\n";
}

bool reads(const QByteArray &bytes)
{
    DocumentFileFormat::ReadResult out;
    return DocumentFileFormat::readXmlData(bytes, out);
}

QDateTime when(int minute)
{
    return QDateTime(QDate(2024, 3, 31), QTime(1, 0)).addSecs(60 * minute);
}

// Strings that stress both escaping steps and the reader: entities, markup, the
// ends of comments and CDATA sections, quotes, line breaks, tabs, characters
// outside the basic plane, and long runs of them.
QString hostileString(std::mt19937 &random, bool description)
{
    static const QStringList pieces = {
        QStringLiteral("&"),       QStringLiteral("&amp;"),    QStringLiteral("&#38;"), QStringLiteral("<"),
        QStringLiteral(">"),       QStringLiteral("\""),       QStringLiteral("'"),     QStringLiteral("]]>"),
        QStringLiteral("<!--"),    QStringLiteral("-->"),      QStringLiteral("<?x?>"), QStringLiteral("="),
        QStringLiteral("\t"),      QString(QChar(0x2028)),     QStringLiteral("é"),     QStringLiteral("\U0001F600"),
        QStringLiteral(" a b "),   QStringLiteral("<!DOCTYPE"), QStringLiteral("%1"),   QStringLiteral("\n"),
    };
    QString text;
    const int count = std::uniform_int_distribution<int>(0, 40)(random);
    for (int i = 0; i < count; ++i) {
        QString piece = pieces.at(std::uniform_int_distribution<int>(0, int(pieces.size()) - 1)(random));
        if (description && piece == QStringLiteral("\n"))
            piece = QString(QChar(0x2028)); // the reader turns line feeds into U+2028
        const int repeat = std::uniform_int_distribution<int>(0, 9)(random) == 0 ? 2000 : 1;
        text += piece.repeated(repeat);
    }
    return text;
}

NodePtr randomTree(std::mt19937 &random)
{
    NodePtr root = Node::create(Node::Root, when(0));
    std::vector<NodePtr> containers{root};
    const int count = std::uniform_int_distribution<int>(1, 60)(random);
    for (int i = 0; i < count; ++i) {
        const NodePtr parent = containers.at(std::uniform_int_distribution<size_t>(0, containers.size() - 1)(random));
        const int type = parent->type() == Node::Root || parent->type() == Node::Group
                             ? (std::uniform_int_distribution<int>(0, 1)(random) ? Node::Group : Node::Job)
                             : parent->type() == Node::Job ? Node::Day : Node::TimeEntry;
        NodePtr n = Node::create(type, when(i));
        n->setItemName(hostileString(random, false));
        n->setDescript(hostileString(random, true));
        parent->addChild(n);
        if (type != Node::TimeEntry)
            containers.push_back(n);
    }
    return root;
}

void expectSameTexts(const Node &a, const Node &b)
{
    EXPECT_EQ(a.type(), b.type());
    EXPECT_EQ(a.itemName(), b.itemName());
    EXPECT_EQ(a.descript(), b.descript());
    ASSERT_EQ(a.childrenCount(), b.childrenCount());
    for (qsizetype i = 0; i < a.childrenCount(); ++i)
        expectSameTexts(*a.childAtIndex(i), *b.childAtIndex(i));
}

// Growth of the peak resident size while `work` runs, in MiB.
template <typename Work>
double peakGrowthMiB(Work work)
{
    testsupport::resetPeakMemory();
    const double before = testsupport::residentMiB();
    work();
    return testsupport::peakResidentMiB() - before;
}

// A file size limit for the process, for the scope (writes beyond it fail with
// EFBIG instead of raising SIGXFSZ).
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
};

// A document made up while it is read: a head, a long run of one piece, a tail.
// It counts the bytes handed out, so that a test sees where the reader stopped.
class GeneratedDocument : public QIODevice
{
public:
    GeneratedDocument(QByteArray head, QByteArray piece, qint64 pieces, QByteArray tail)
        : m_head(std::move(head)), m_piece(std::move(piece)), m_tail(std::move(tail)),
          m_size(m_head.size() + m_piece.size() * pieces + m_tail.size())
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesHandedOut() const { return m_position; }
    qint64 totalSize() const { return m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 n = 0;
        const qint64 runEnd = m_size - m_tail.size();
        while (n < maxSize && m_position < m_size) {
            if (m_position < m_head.size())
                data[n] = m_head.at(m_position);
            else if (m_position < runEnd)
                data[n] = m_piece.at((m_position - m_head.size()) % m_piece.size());
            else
                data[n] = m_tail.at(m_position - runEnd);
            ++n;
            ++m_position;
        }
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_head;
    QByteArray m_piece;
    QByteArray m_tail;
    qint64 m_size;
    qint64 m_position = 0;
};

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">";
const QByteArray Tail = "</Chronark>\n";

// Reads a generated document; answers whether it was accepted and how many bytes
// the reader took before it answered.
std::pair<bool, qint64> readGenerated(GeneratedDocument &&document)
{
    DocumentFileFormat::ReadResult out;
    const bool accepted = DocumentFileFormat::readXmlDevice(&document, out);
    EXPECT_EQ(accepted, out.root != nullptr);
    return {accepted, document.bytesHandedOut()};
}

// Room for the blocks the XML library reads ahead.
constexpr qint64 ReadAhead = 1 << 20;

} // namespace

TEST(DocumentFileLimits, TextCommentsAndInstructionsAreRefusedAtTheirBoundWhileTheyStream)
{
    const qint64 text = DocumentFileFormat::MaximumTextLength;
    const qint64 blank = DocumentFileFormat::MaximumWhitespaceLength;
    const struct
    {
        const char *what;
        QByteArray open;
        QByteArray piece;
        QByteArray close;
        qint64 fits;     // pieces that are read
        qint64 tooMany;  // pieces that are refused
    } cases[] = {
        {"comment", "<!--", "c", "-->", text - 16, text + 1},
        {"comment of dashes", "<!--", "- ", "-->", text / 2 - 16, text / 2 + 1},
        {"text in a node", "<document>", "x", "</document>", text - 16, text + 1},
        {"text before the tree", "", "x", "<document/>", text - 16, text + 1},
        {"CDATA section", "<document><![CDATA[", "d", "]]></document>", text - 16, text + 1},
        {"instruction", "<?pi ", "p", "?>", text - 16, text + 1},
        {"white space", "<document>", " \n\t", "</document>", blank / 3 - 16, blank / 3 + 1},
        {"white space then a letter", "<document>", " ", "x</document>", text - 16, 2 * text},
        // The XML library itself refuses a name past 4,096 characters or so.
        {"a long element name", "<document><a", "a", "/></document>", 4000, text + 1},
        {"blanks inside a tag", "<document><jobEntry", " ", "/></document>", text - 16, text + 1},
        {"a long end tag", "<document></document", " ", "><document/>", text - 16, text + 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(readGenerated(GeneratedDocument(Head + c.open, c.piece, c.fits, c.close + Tail)).first);
        const auto [accepted, taken] = readGenerated(GeneratedDocument(Head + c.open, c.piece, c.tooMany, c.close + Tail));
        EXPECT_FALSE(accepted);
        // A gigabyte of it: the reader stops at the bound, not at the end.
        GeneratedDocument huge(Head + c.open, c.piece, (qint64(1) << 30) / c.piece.size(), c.close + Tail);
        const qint64 size = huge.totalSize();
        const auto [hugeAccepted, hugeTaken] = readGenerated(std::move(huge));
        EXPECT_FALSE(hugeAccepted);
        EXPECT_LT(hugeTaken, std::max(text, blank) + ReadAhead) << "of " << size;
    }
    // Text counts per run: many runs each within the bound pass.
    EXPECT_TRUE(reads(wrap("<document>" + QByteArray(QByteArray(text - 16, 'x') + "<!-- -->").repeated(8) + "</document>")));
    // A refusal leaves nothing half read behind: the bytes before it parse as a
    // whole document, and the document is still refused.
    EXPECT_FALSE(reads(wrap("<document/>") + "<!--" + QByteArray(text + 1, 'c') + "-->"));
}

TEST(DocumentFileLimits, AttributeValuesAreCountedAsTheyStreamAndRefusedAtTheBound)
{
    const qint64 bound = DocumentFileFormat::MaximumAttributeLength;
    const QByteArray open = "<document><jobEntry itemName=\"";
    const QByteArray close = "\"/></document>";

    // Characters as the XML library will parse them, not bytes: two-byte and
    // three-byte sequences are one character, four-byte ones two (a surrogate
    // pair), CR LF one, a reference one.
    EXPECT_TRUE(readGenerated(GeneratedDocument(Head + open, "\xe2\x82\xac", bound, close + Tail)).first);
    EXPECT_FALSE(readGenerated(GeneratedDocument(Head + open, "\xe2\x82\xac", bound + 1, close + Tail)).first);
    EXPECT_TRUE(readGenerated(GeneratedDocument(Head + open, "\xf0\x9f\x98\x80", bound / 2, close + Tail)).first);
    EXPECT_FALSE(readGenerated(GeneratedDocument(Head + open, "\xf0\x9f\x98\x80", bound / 2 + 1, close + Tail)).first);
    EXPECT_TRUE(readGenerated(GeneratedDocument(Head + open, "\r\n", bound, close + Tail)).first);
    EXPECT_FALSE(readGenerated(GeneratedDocument(Head + open, "\r\n", bound + 1, close + Tail)).first);

    // 200 MB in one value: refused where the bound lies, in little memory.
    {
        GeneratedDocument huge(Head + open, "n", 200'000'000, close + Tail);
        bool accepted = true;
        qint64 taken = 0;
        const double growth = peakGrowthMiB([&] { std::tie(accepted, taken) = readGenerated(std::move(huge)); });
        EXPECT_FALSE(accepted);
        EXPECT_LT(taken, bound + ReadAhead);
#if defined(__SANITIZE_ADDRESS__)
        (void)growth; // the sanitizer's quarantine keeps freed blocks resident
#else
        EXPECT_LT(growth, 100.0);
#endif
    }
    // 100 MB of line feeds as references: refused at the tag's references.
    {
        const auto [accepted, taken] = readGenerated(GeneratedDocument(Head + open, "&#10;", 20'000'000, close + Tail));
        EXPECT_FALSE(accepted);
        EXPECT_LT(taken, 5 * DocumentFileFormat::MaximumReferencesPerTag + ReadAhead);
    }
    // The references of all values of a tag count together.
    const qint64 references = DocumentFileFormat::MaximumReferencesPerTag;
    const QByteArray half = QByteArray("&amp;").repeated(references / 2);
    EXPECT_TRUE(reads(wrap("<document><jobEntry itemName=\"" + half + "\" description=\"" + half + "\"/></document>")));
    EXPECT_FALSE(reads(wrap("<document><jobEntry itemName=\"" + half + "&#9;\" description=\"" + half + "\"/></document>")));
    // …and the characters: two values at the bound fit, a third does not.
    const QByteArray full = QByteArray(bound, 'v');
    EXPECT_TRUE(reads(wrap("<document><jobEntry itemName=\"" + full + "\" description=\"" + full + "\"/></document>")));
    EXPECT_FALSE(reads(wrap("<document><jobEntry itemName=\"" + full + "\" description=\"" + full + "\" wage=\"" +
                            QByteArray(1 << 17, '1') + "\"/></document>")));
    // A reference longer than any the format holds.
    EXPECT_TRUE(reads(wrap("<document><jobEntry itemName=\"&#x10FFFF;&quot;\"/></document>")));
    EXPECT_FALSE(reads(wrap("<document><jobEntry itemName=\"&" + QByteArray(1 << 20, 'a') + ";\"/></document>")));
    // Single quotes delimit values too; the other quote is a character of the value.
    EXPECT_FALSE(reads(wrap("<document><jobEntry itemName='" + QByteArray(bound + 1, '"') + "'/></document>")));
}

TEST(DocumentFileLimits, TheGuardAnswersTheSameHoweverTheBytesArriveInPieces)
{
    // Documents near every bound, read whole and in random pieces: the refusal
    // does not depend on where a read ends.
    const qint64 text = DocumentFileFormat::MaximumTextLength;
    const QList<QByteArray> documents = {
        wrap("<!--" + QByteArray(text - 3, 'c') + "-->" + "<document/>"),
        wrap("<!--" + QByteArray(text + 10, 'c') + "-->" + "<document/>"),
        wrap("<document itemName=\"" + QByteArray("&amp;").repeated(1000) + "\"/>"),
        wrap("<document><jobEntry a=\"1\"\r\n b='2'>" + QByteArray(text + 1, ' ') + "</jobEntry></document>"),
        wrap("<document><![CDATA[" + QByteArray(text / 2, ']') + "]]></document>"),
        wrap("<document itemName=\"&" + QByteArray(40, 'a') + ";\"/>"),
        wrap("<document/>", "<!DOCTYPE Chronark>"),
    };
    std::mt19937 random(51);
    for (qsizetype d = 0; d < documents.size(); ++d) {
        SCOPED_TRACE(d);
        const bool whole = reads(documents.at(d));
        for (int round = 0; round < 12; ++round) {
            // A device that hands out at most a random number of bytes per read.
            class Pieces : public QIODevice
            {
            public:
                Pieces(const QByteArray &bytes, std::mt19937 &random) : m_bytes(bytes), m_random(random)
                {
                    open(QIODevice::ReadOnly);
                }
                bool isSequential() const override { return true; }

            protected:
                qint64 readData(char *data, qint64 maxSize) override
                {
                    const qint64 n = std::min<qint64>({maxSize, m_bytes.size() - m_position,
                                                       std::uniform_int_distribution<qint64>(1, 5000)(m_random)});
                    std::copy_n(m_bytes.constData() + m_position, n, data);
                    m_position += n;
                    return n;
                }
                qint64 writeData(const char *, qint64) override { return -1; }

            private:
                QByteArray m_bytes;
                std::mt19937 &m_random;
                qint64 m_position = 0;
            } pieces(documents.at(d), random);
            DocumentFileFormat::ReadResult out;
            EXPECT_EQ(DocumentFileFormat::readXmlDevice(&pieces, out), whole);
        }
    }
}

TEST(DocumentFileLimits, EveryWrittenDocumentReadsBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("random.chronark"));
    std::mt19937 random(20260407);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const NodePtr root = randomTree(random);
        QString reason;
        ASSERT_TRUE(DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore(), &reason))
            << qPrintable(reason);
        DocumentFileFormat::ReadResult back;
        ASSERT_TRUE(DocumentFileFormat::readFromFile(file, Type, back));
        expectSameTexts(*root, *back.root);
    }
    // A description of an older archive that the entity conversion makes five
    // times longer.
    const NodePtr root = Node::create(Node::Root, when(0));
    NodePtr job = Node::create(Node::Job, when(1));
    job->setDescript(QString(300000, QLatin1Char('&')));
    root->addChild(job);
    ASSERT_TRUE(DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore()));
    DocumentFileFormat::ReadResult back;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, Type, back));
    expectSameTexts(*root, *back.root);
}

TEST(DocumentFileLimits, WriterRefusesWhatTheReaderWouldRefuseAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, wrap("<document/>")));

    const NodePtr root = Node::create(Node::Root, when(0));
    NodePtr job = Node::create(Node::Job, when(1));
    job->setItemName(QStringLiteral("Long one"));
    job->setDescript(QString(DocumentFileFormat::MaximumAttributeLength / 5 + 1, QLatin1Char('&')));
    root->addChild(job);
    QString reason;
    EXPECT_FALSE(DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore(), &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("Long one"))) << qPrintable(reason);
    job->setDescript(QString(DocumentFileFormat::MaximumAttributeLength - 10, QLatin1Char('a')) + QStringLiteral("&&"));
    EXPECT_TRUE(DocumentFileFormat::checkWritable(*root, DocumentValuesStore()));

    // References: every character the writer escapes is one for the reader. The name
    // and the description share the tag's bound.
    const qint64 references = DocumentFileFormat::MaximumReferencesPerTag;
    job->setItemName(QString(references / 2, QLatin1Char('<')));
    job->setDescript(QString(references / 4, QLatin1Char('"')) + QString(references / 4 + 1, QLatin1Char('\t')));
    reason.clear();
    EXPECT_FALSE(DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore(), &reason));
    EXPECT_TRUE(reason.contains(QString::number(references))) << qPrintable(reason.left(200));
    EXPECT_EQ(testsupport::readFile(file), wrap("<document/>"));
    job->setDescript(QString(references / 4, QLatin1Char('"')) + QString(references / 4, QLatin1Char('\t')));
    {
        const QString other = dir.filePath(QStringLiteral("references.chronark"));
        ASSERT_TRUE(DocumentFileFormat::writeToFile(other, Type, *root, DocumentValuesStore(), &reason)) << qPrintable(reason);
        DocumentFileFormat::ReadResult back;
        ASSERT_TRUE(DocumentFileFormat::readFromFile(other, Type, back));
        expectSameTexts(*root, *back.root);
        QFile::remove(other);
    }
    TableColumnData column;
    column.setIdentifier(QString(references + 1, QLatin1Char('&')));
    DocumentValuesStore store;
    store.setTableColumnArray({column});
    EXPECT_FALSE(DocumentFileFormat::checkWritable(*Node::create(Node::Root, when(0)), store));
    job->setItemName(QStringLiteral("Long one"));
    job->setDescript(QString());

    // Nesting: the deepest tree the reader takes is written; one level more is not.
    auto chain = [](int levels) {
        const NodePtr top = Node::create(Node::Root, when(0));
        NodePtr parent = top;
        for (int i = 0; i < levels; ++i) {
            NodePtr group = Node::create(Node::Group, when(i));
            parent->addChild(group);
            parent = group;
        }
        parent->setItemName(QStringLiteral("Deepest"));
        return top;
    };
    reason.clear();
    EXPECT_FALSE(DocumentFileFormat::writeToFile(file, Type, *chain(DocumentFileFormat::MaximumDepth - 1),
                                                 DocumentValuesStore(), &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("Deepest"))) << qPrintable(reason);
    EXPECT_EQ(testsupport::readFile(file), wrap("<document/>"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.chronark")});

    ASSERT_TRUE(DocumentFileFormat::writeToFile(file, Type, *chain(DocumentFileFormat::MaximumDepth - 2),
                                                DocumentValuesStore()));
    DocumentFileFormat::ReadResult back;
    EXPECT_TRUE(DocumentFileFormat::readFromFile(file, Type, back));
}

TEST(DocumentFileLimits, DocumentTypeDeclarationsAndOtherEncodingsAreRefused)
{
    const QByteArray entity(4000, 'x');
    const QByteArray references = QByteArray("&e;").repeated(500);
    const struct
    {
        const char *what;
        QByteArray bytes;
        bool accepted;
    } cases[] = {
        {"plain", wrap("<document itemName=\"a\"/>"), true},
        {"internal entity", wrap("<document itemName=\"" + references + "\"/>",
                                 "<!DOCTYPE Chronark [<!ENTITY e \"" + entity + "\">]>"), false},
        {"external entity", wrap("<document itemName=\"&e;\"/>",
                                 "<!DOCTYPE Chronark [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"), false},
        {"bare declaration", wrap("<document/>", "<!DOCTYPE Chronark>"), false},
        {"after a comment", wrap("<document/>", "<!-- x --><!DOCTYPE Chronark>"), false},
        {"inside the root", wrap("<!DOCTYPE Chronark><document/>"), false},
        {"lower-case utf-8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Chronark><document/></Chronark>", true},
        {"no encoding", "<?xml version=\"1.0\"?><Chronark><document/></Chronark>", true},
        {"UTF-16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Chronark><document/></Chronark>", false},
        {"Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Chronark><document/></Chronark>", false},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(reads(c.bytes), c.accepted);
        const QString file = dir.filePath(QStringLiteral("case.chronark"));
        ASSERT_TRUE(testsupport::writeFile(file, c.bytes));
        DocumentFileFormat::ReadResult out;
        EXPECT_EQ(DocumentFileFormat::readFromFile(file, Type, out), c.accepted);
    }
}

// The markup guard takes the bytes as the document's encoding has them. In UTF-8 (so
// declared, or no encoding named) a character cut at the end of the bytes is refused.
// In another encoding that the declaration names, every byte is a character of its
// own: whatever the last byte is, the bytes are handed on as they came, however the
// reads cut them, and a value is bounded in those characters. Only the first markup
// declares: an instruction of another name, or a declaration after a comment, does not.
TEST(DocumentFileLimits, TheMarkupGuardTakesTheBytesInTheDeclaredEncoding)
{
    XmlMarkupGuardDevice::Bounds bounds;
    bounds.attributesPerTag = 8;
    bounds.attributeLength = 8;
    bounds.tagTextLength = 64;
    bounds.referencesPerTag = 8;
    bounds.textLength = 256;
    bounds.whitespaceLength = 256;
    bounds.tagLength = 256;
    // What the guard hands on, reading `step` bytes at a time; empty once refused.
    const auto passed = [&](const QByteArray &bytes, qint64 step) {
        QBuffer source;
        source.setData(bytes);
        source.open(QIODevice::ReadOnly);
        XmlMarkupGuardDevice guard(&source, bounds);
        QByteArray out;
        QByteArray block(step, Qt::Uninitialized);
        for (qint64 n; (n = guard.read(block.data(), step)) > 0;)
            out += block.left(n);
        return guard.refused() ? QByteArray() : out;
    };
    const QByteArray body = "<Chronark itemName=\"\xc0\xe9\xff\"/>";
    const QByteArray otherEncodings[] = {
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
        "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
        "<?xml version='1.0' encoding = 'latin1' standalone='yes'?>",
        "<?xml\n  encoding=\"KOI8-R\"\n?>",
    };
    const QByteArray utf8[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "<?xml version=\"1.0\"?>",
        "",
        "<?xml-stylesheet encoding=\"ISO-8859-1\"?>",
        "<!-- a note --><?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
    };
    // Reads of two bytes and more: a read of one byte is handed a part of a character
    // of UTF-8 (the library never asks for less than a block).
    for (const qint64 step : {2, 3, 7, 4096}) {
        SCOPED_TRACE(step);
        for (const QByteArray &declaration : otherEncodings) {
            SCOPED_TRACE(declaration.toStdString());
            for (const QByteArray &last : {QByteArray("\xc3"), QByteArray("\xe9"), QByteArray("\xf0\x9f"), QByteArray("\xff")}) {
                const QByteArray bytes = declaration + body + last;
                EXPECT_EQ(passed(bytes, step), bytes);
            }
            // Eight single bytes fill a value; a ninth passes its bound.
            const QByteArray eight(8, '\xa9');
            EXPECT_FALSE(passed(declaration + "<Chronark a=\"" + eight + "\"/>", step).isEmpty());
            EXPECT_TRUE(passed(declaration + "<Chronark a=\"" + eight + "\xa9\"/>", step).isEmpty());
        }
        for (const QByteArray &declaration : utf8) {
            SCOPED_TRACE(declaration.toStdString());
            EXPECT_TRUE(passed(declaration + body + "\xc3", step).isEmpty());
            EXPECT_EQ(passed(declaration + body + "\xc3\xa9", step), declaration + body + "\xc3\xa9");
            // Eight continuation bytes are no characters of their own in UTF-8.
            EXPECT_FALSE(passed(declaration + "<Chronark a=\"\xc3" + QByteArray(8, '\xa9') + "\"/>", step).isEmpty());
        }
    }
    // The reader refuses another encoding for what it is, by either reader.
    for (const QByteArray &declaration : otherEncodings) {
        EXPECT_FALSE(reads(declaration + "<Chronark version=\"2.0\"><document itemName=\"caf\xe9\"/></Chronark>"));
        EXPECT_FALSE(reads(declaration + "<Chronark version=\"2.0\"><document itemName=\"caf\xe9\"/></Chronark>\xe9"));
    }
}

TEST(DocumentFileLimits, AttributesPerTagAreBoundedBeforeTheXmlLibrarySeesThem)
{
    auto attributes = [](int count) {
        QByteArray a;
        for (int i = 0; i < count; ++i)
            a += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + "\"";
        return a;
    };
    const int bound = DocumentFileFormat::MaximumAttributesPerElement;
    EXPECT_TRUE(reads(wrap("<document><jobEntry" + attributes(bound) + "/></document>")));
    EXPECT_FALSE(reads(wrap("<document><jobEntry" + attributes(bound + 1) + "/></document>")));
    EXPECT_FALSE(reads(wrap("<document><jobEntry" + attributes(200000) + "/></document>")));
    EXPECT_FALSE(reads(wrap("<documentValues" + attributes(bound + 1) + "/>")));

    // What stands in quotes, comments, CDATA sections and instructions is no attribute.
    const QByteArray quoted = " itemName=\"" + QByteArray("a=b>'").repeated(100) + "\" description='\"=\"'";
    EXPECT_TRUE(reads(wrap("<document><jobEntry" + quoted + attributes(bound - 2) + "/></document>")));
    EXPECT_TRUE(reads(wrap("<!-- it's = \"=\" - > --><?pi a='='?><document><jobEntry" + attributes(bound)
                           + "><![CDATA[ '\" <x a=b> ]]></jobEntry></document>")));
    // …and cannot hide a tag with too many.
    EXPECT_FALSE(reads(wrap("<!-- it's --><document><jobEntry" + attributes(bound + 1) + "/></document>")));
    EXPECT_FALSE(reads(wrap("<?pi \" ?><document><jobEntry" + attributes(bound + 1) + "/></document>")));

    // The written format stays well inside the bound.
    const NodePtr root = Node::create(Node::Root, when(0));
    root->addChild(Node::create(Node::Job, when(1)));
    EXPECT_TRUE(reads(DocumentFileFormat::toXmlData(*root, DocumentValuesStore())));
}

TEST(DocumentFileLimits, AnOversizedArchiveIsRefusedBeforeItIsRead)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("huge-archive.chronark"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x04\x0btypedstream\x81\x03\xe8\x84\x01@", 18));
        ASSERT_TRUE(f.resize(DocumentFileFormat::MaximumArchiveSize + 1)); // sparse
    }
    DocumentFileFormat::ReadResult out;
    bool read = true;
    const double growth = peakGrowthMiB([&] { read = DocumentFileFormat::readFromFile(file, Type, out); });
    EXPECT_FALSE(read);
    EXPECT_EQ(out.root, nullptr);
    EXPECT_LT(growth, 64.0) << "the archive was read before its size was checked";
}

TEST(DocumentFileLimits, SavingStreamsIntoTheFileAndSeesEveryShortWrite)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stream.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, wrap("<document/>")));
    const NodePtr root = Node::create(Node::Root, when(0));
    for (int j = 0; j < 200; ++j) {
        NodePtr job = Node::create(Node::Job, when(j));
        job->setItemName(QStringLiteral("Job %1").arg(j));
        for (int d = 0; d < 10; ++d) {
            NodePtr day = Node::create(Node::Day, when(d));
            for (int t = 0; t < 10; ++t)
                day->addChild(Node::create(Node::TimeEntry, when(t)));
            job->addChild(day);
        }
        root->addChild(job);
    }
    const qsizetype size = DocumentFileFormat::toXmlData(*root, DocumentValuesStore()).size();
    ASSERT_GT(size, 4 << 20);

    QString reason;
    bool written = true;
    {
        ScopedFileSizeLimit limit(1 << 20);
        written = DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore(), &reason);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(reason, QStringLiteral("File too large"));
    EXPECT_EQ(testsupport::readFile(file), wrap("<document/>"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("stream.chronark")});

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's quarantine keeps freed blocks resident";
#else
    const double growth = peakGrowthMiB([&] { written = DocumentFileFormat::writeToFile(file, Type, *root, DocumentValuesStore()); });
    EXPECT_TRUE(written);
    EXPECT_EQ(QFileInfo(file).size(), size);
    // Streamed: far less than the document's own size is held at once.
    EXPECT_LT(growth, double(size) / (1 << 20) / 4) << size;
#endif
}
