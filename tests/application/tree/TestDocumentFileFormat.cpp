// The "Chronark Format" document file: exact bytes of a small document, round trips
// through files, the reading rules, the value formats and refusal of bad input.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentOutputDevice.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/DocumentXmlWriter.h"
#include "application/tree/Node.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DisplayText.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

const QString Type = DocumentFileFormat::TypeName;

QDateTime at(const char *text)
{
    auto d = platform::CalendarDate::fromDescription(QString::fromLatin1(text));
    EXPECT_TRUE(d.has_value()) << text;
    return d.value_or(QDateTime());
}

NodePtr add(const NodePtr &parent, int type, const QString &name, const char *created)
{
    NodePtr n = Node::create(type, at(created));
    n->setItemName(name);
    if (parent)
        parent->addChild(n);
    return n;
}

// The small document of tests/data/documents/golden-small.xml.
NodePtr goldenTree()
{
    platform::Clock::setNow(at("2009-03-14 09:05:00 +0100"));
    NodePtr root = Node::create(Node::Root);
    platform::Clock::useSystemClock();
    NodePtr group = add(root, Node::Group, QStringLiteral("Clients & Co"), "2008-12-31 23:59:59 -0500");
    group->setlDate(at("2009-01-01 00:00:00 +0000"));
    group->setColorLabel(2);
    group->setExecuted(true);
    group->setDescript(QStringLiteral("Line one") + QChar(0x2028) + QStringLiteral("Line \"two\""));
    NodePtr job = add(group, Node::Job, QStringLiteral("Write <report>"), "2009-03-01 08:00:00 +0530");
    job->setWage(60.0f);
    job->setActive(true);
    NodePtr day = add(job, Node::Day, QString(), "2009-03-14 09:05:00 +0100");
    day->setItemNameByType();
    NodePtr t = add(day, Node::TimeEntry, QString(), "2009-03-14 09:05:00 +0100");
    t->setlDate(at("2009-03-14 10:35:30 +0100"));
    t->setWage(60.0f);
    t->setItemNameByType();
    root->recalcWorkTimeForTree();
    return root;
}

DocumentValuesStore goldenStore()
{
    DocumentValuesStore store;
    store.setWindowFrame(QRectF(12, 30, 600, 400));
    store.setDescriptVisible(true);
    store.setTableColumnArray({TableColumnData(QStringLiteral("itemName"), 250.0f),
                               TableColumnData(QStringLiteral("workTime"), 80.5f)});
    return store;
}

void expectSameTree(const Node &a, const Node &b, const QString &path = QStringLiteral("root"))
{
    SCOPED_TRACE(qPrintable(path));
    EXPECT_EQ(a.type(), b.type());
    EXPECT_EQ(a.itemName(), b.itemName());
    EXPECT_EQ(a.cDate(), b.cDate());
    EXPECT_EQ(a.cDate().offsetFromUtc(), b.cDate().offsetFromUtc());
    EXPECT_EQ(a.lDate(), b.lDate());
    EXPECT_EQ(a.lDate().offsetFromUtc(), b.lDate().offsetFromUtc());
    EXPECT_EQ(a.hours(), b.hours());
    EXPECT_EQ(a.minutes(), b.minutes());
    EXPECT_EQ(a.active(), b.active());
    EXPECT_EQ(a.executed(), b.executed());
    EXPECT_EQ(a.descript(), b.descript());
    EXPECT_NEAR(a.turnover(), b.turnover(), 1e-6 * std::max(1.0f, std::abs(a.turnover())));
    EXPECT_NEAR(a.wage(), b.wage(), 1e-6 * std::max(1.0f, std::abs(a.wage())));
    EXPECT_EQ(a.colorLabel(), b.colorLabel());
    ASSERT_EQ(a.childrenCount(), b.childrenCount());
    for (qsizetype i = 0; i < a.childrenCount(); ++i) {
        EXPECT_EQ(b.childAtIndex(i)->parent(), &b);
        expectSameTree(*a.childAtIndex(i), *b.childAtIndex(i), path + QLatin1Char('/') + QString::number(i));
    }
}

QStringList elementNames(const QByteArray &xml)
{
    QStringList names;
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        if (r.readNext() == QXmlStreamReader::StartElement)
            names << r.name().toString();
    EXPECT_FALSE(r.hasError()) << qPrintable(r.errorString());
    return names;
}

QByteArray wrap(const QByteArray &inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">" + inner + "</Chronark>\n";
}

// A result that a failed read must leave alone.
struct Sentinel
{
    Sentinel()
    {
        out.root = Node::create(Node::Root);
        out.root->setItemName(QStringLiteral("untouched"));
        out.store.setDrawerVisible(true);
        original = out.root;
    }
    void expectUntouched() const
    {
        EXPECT_EQ(out.root, original);
        EXPECT_EQ(out.root->itemName(), QStringLiteral("untouched"));
        EXPECT_TRUE(out.store.drawerVisible());
        EXPECT_FALSE(out.store.available());
    }
    DocumentFileFormat::ReadResult out;
    NodePtr original;
};

} // namespace

// ---------------------------------------------------------------------------
// Writing

TEST(DocumentFileFormatWriting, SmallDocumentMatchesTheExpectedBytes)
{
    const QByteArray expected = testsupport::readFile(testsupport::dataPath(QStringLiteral("documents/golden-small.xml")));
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray written = DocumentFileFormat::toXmlData(*goldenTree(), goldenStore());
    EXPECT_EQ(QString::fromUtf8(written), QString::fromUtf8(expected));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("golden.chronark"));
    ASSERT_TRUE(DocumentFileFormat::writeToFile(path, Type, *goldenTree(), goldenStore()));
    EXPECT_EQ(testsupport::readFile(path), expected);
}

TEST(DocumentFileFormatWriting, NamesAreEscapedTwice)
{
    NodePtr root = Node::create(Node::Root);
    NodePtr job = Node::create(Node::Job);
    job->setItemName(QStringLiteral("A&B"));
    job->setDescript(QStringLiteral("&lt;"));
    root->addChild(job);
    const QByteArray xml = DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
    EXPECT_TRUE(xml.contains("itemName=\"A&amp;amp;B\"")) << xml.constData();
    EXPECT_TRUE(xml.contains("description=\"&amp;amp;lt;\"")) << xml.constData();
}

TEST(DocumentFileFormatWriting, FlagsLeaveOutTimeEntriesAndDays)
{
    NodePtr root = Node::create(Node::Root);
    NodePtr group = add(root, Node::Group, QStringLiteral("G"), "2009-03-14 09:00:00 +0100");
    NodePtr job = add(group, Node::Job, QStringLiteral("J"), "2009-03-14 09:00:00 +0100");
    NodePtr day = add(job, Node::Day, QStringLiteral("D"), "2009-03-14 09:00:00 +0100");
    add(day, Node::TimeEntry, QStringLiteral("T"), "2009-03-14 09:00:00 +0100");
    auto write = [&](const NodePtr &node, int flags) {
        QByteArray xml;
        QXmlStreamWriter w(&xml);
        node->nodeTreeAsXMLElementTreeWithFlags(w, flags);
        return elementNames(xml);
    };
    EXPECT_EQ(write(root, 0), (QStringList{"document", "groupEntry", "jobEntry", "dayEntry", "timeEntry"}));
    EXPECT_EQ(write(root, 1), (QStringList{"document", "groupEntry", "jobEntry", "dayEntry"}));
    EXPECT_EQ(write(root, 2), (QStringList{"document", "groupEntry", "jobEntry"}));
    EXPECT_EQ(write(root, 3), (QStringList{"document", "groupEntry", "jobEntry"}));
    // The node the writer is called on is always written.
    EXPECT_EQ(write(day, 3), (QStringList{"dayEntry"}));

    QByteArray own;
    {
        QXmlStreamWriter w(&own);
        job->nodeAsXMLElementWithFlags(w, 0);
    }
    EXPECT_EQ(elementNames(own), QStringList{"jobEntry"});
}

TEST(DocumentFileFormatWriting, CharactersXmlCannotHoldBecomeReplacementCharacters)
{
    NodePtr root = Node::create(Node::Root);
    NodePtr job = Node::create(Node::Job);
    const QString bad = QStringLiteral("a") + QChar(0x01) + QChar(0x0B) + QChar(0xD800) + QStringLiteral("b")
                        + QChar(0xDC00) + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("\t\n\r")
                        + QStringLiteral("😀");
    job->setItemName(bad);
    job->setDescript(QStringLiteral("x") + QChar(0x1F));
    root->addChild(job);
    DocumentValuesStore store;
    store.setTableColumnArray({TableColumnData(QStringLiteral("col") + QChar(0x02), 10.0f)});

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.chronark"));
    // The first name or description with such a character is told: the item, the
    // field, the character.
    QString replaced;
    ASSERT_TRUE(DocumentFileFormat::writeToFile(path, Type, *root, store, nullptr, {}, &replaced));
    EXPECT_TRUE(replaced.startsWith(QStringLiteral("The name of “") + platform::DisplayText::setInText(bad, 80) + QStringLiteral("”")))
        << replaced.toStdString();
    EXPECT_TRUE(replaced.endsWith(QStringLiteral("holds the character U+0001, which a document file cannot hold: it was "
                                                 "saved as \uFFFD (U+FFFD).")))
        << replaced.toStdString();
    NodePtr clean = Node::create(Node::Root);
    NodePtr other = Node::create(Node::Job);
    other->setItemName(QStringLiteral("Tidy \U0001F600\t"));
    other->setDescript(QStringLiteral("only ") + QChar(0xFFFF));
    clean->addChild(other);
    EXPECT_TRUE(DocumentFileFormat::checkWritable(*clean, store, nullptr, &replaced));
    EXPECT_EQ(replaced, QStringLiteral("The description of “") + platform::DisplayText::setInText(other->itemName(), 80)
                            + QStringLiteral("” holds the character U+FFFF, which a document file cannot hold: it was "
                                             "saved as \uFFFD (U+FFFD)."));
    other->setDescript(QStringLiteral("\r\n\u2028"));
    EXPECT_TRUE(DocumentFileFormat::checkWritable(*clean, store, nullptr, &replaced));
    EXPECT_EQ(replaced, QString()) << "nothing replaced";
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(path, Type, out));
    const QChar r(0xFFFD);
    EXPECT_EQ(out.root->childAtIndex(0)->itemName(),
              QStringLiteral("a") + r + r + r + QStringLiteral("b") + r + r + r + QStringLiteral("\t\n\r😀"));
    EXPECT_EQ(out.root->childAtIndex(0)->descript(), QStringLiteral("x") + r);
    EXPECT_EQ(out.store.tableColumnArray().value(0).identifier(), QStringLiteral("col") + r);
}

TEST(DocumentFileFormatWriting, TheDocumentsWriterWritesWhatTheXmlLibraryWrites)
{
    // Every UTF-16 code unit in a value, and a pair, among nested, empty and closed
    // elements: the same bytes, or a refusal where the library refuses.
    auto write = [](auto &writer, const QString &value) {
        writer.writeStartElement(QStringLiteral("a"));
        writer.writeAttribute(QStringLiteral("v"), value);
        writer.writeStartElement(QStringLiteral("b"));
        writer.writeEndElement();
        writer.writeStartElement(QStringLiteral("c"));
        writer.writeAttribute(QStringLiteral("w"), QStringLiteral("x"));
        writer.writeStartElement(QStringLiteral("d"));
    };
    int refused = 0;
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        const QString value = QStringLiteral("<") + QChar(char16_t(unit)) + QStringLiteral("\U0001F600");
        QByteArray theirs;
        QBuffer theirBuffer(&theirs);
        theirBuffer.open(QIODevice::WriteOnly);
        QXmlStreamWriter library(&theirBuffer);
        library.setAutoFormatting(true);
        library.writeStartDocument(QStringLiteral("1.0"));
        write(library, value);
        library.writeEndDocument();
        QByteArray ours;
        QBuffer ourBuffer(&ours);
        ourBuffer.open(QIODevice::WriteOnly);
        DocumentXmlWriter own(&ourBuffer);
        own.writeStartDocument();
        write(own, value);
        own.writeEndDocument();
        ASSERT_EQ(own.hasError(), library.hasError()) << unit;
        if (library.hasError())
            ++refused;
        else
            ASSERT_EQ(ours, theirs) << unit;
    }
    // The controls but tab, line feed and carriage return, the surrogates alone,
    // U+FFFE and U+FFFF.
    EXPECT_EQ(refused, 29 + 2048 + 2);
}

TEST(DocumentFileFormatWriting, TheDocumentsWriterStopsAtARefusedWrite)
{
    // A device that takes 100 bytes: the writer fails, and nothing reaches it after.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    DocumentOutputDevice limited(&buffer, 100);
    DocumentXmlWriter writer(&limited);
    writer.writeStartDocument();
    for (int i = 0; i < 20000; ++i) {
        writer.writeStartElement(QStringLiteral("entry"));
        writer.writeAttribute(QStringLiteral("n"), QString::number(i));
        writer.writeEndElement();
    }
    writer.writeEndDocument();
    EXPECT_TRUE(writer.hasError());
    EXPECT_TRUE(limited.failed());
    EXPECT_FALSE(limited.flushToTarget());
    EXPECT_TRUE(bytes.isEmpty());
}

TEST(DocumentFileFormatWriting, WrongTypeNameOrUnwritablePathAnswerNo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.chronark"));
    ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
    EXPECT_FALSE(DocumentFileFormat::writeToFile(path, QStringLiteral("Chronark"), *goldenTree(), goldenStore()));
    EXPECT_EQ(testsupport::readFile(path), QByteArray("old contents"));
    EXPECT_FALSE(DocumentFileFormat::writeToFile(dir.path(), Type, *goldenTree(), goldenStore()));
    EXPECT_FALSE(DocumentFileFormat::writeToFile(dir.filePath(QStringLiteral("missing/doc.chronark")), Type,
                                                 *goldenTree(), goldenStore()));
    // A successful write replaces the file whole and leaves nothing else behind.
    ASSERT_TRUE(DocumentFileFormat::writeToFile(path, Type, *goldenTree(), goldenStore()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"doc.chronark"});
}

// ---------------------------------------------------------------------------
// Round trips

TEST(DocumentFileFormatRoundTrip, GoldenFileReadsAsTheTreeThatWroteIt)
{
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(
        testsupport::dataPath(QStringLiteral("documents/golden-small.xml")), Type, out));
    expectSameTree(*goldenTree(), *out.root);
    EXPECT_EQ(out.root->delegate(), nullptr);
    EXPECT_TRUE(out.store.available());
    EXPECT_TRUE(out.store.descriptVisible());
    EXPECT_FALSE(out.store.drawerVisible());
    EXPECT_EQ(out.store.windowFrame(), QRectF(12, 30, 600, 400));
    EXPECT_EQ(out.store.tableColumnArray(), goldenStore().tableColumnArray());
}

TEST(DocumentFileFormatRoundTrip, AwkwardNamesAndOffsetsComeBackUnchanged)
{
    const QStringList names{QStringLiteral("A&B"),
                            QStringLiteral("<tag attr=\"x\">"),
                            QStringLiteral("&lt;"),
                            QStringLiteral("&amp;lt; &#38; &unknown;"),
                            QStringLiteral("line") + QChar(0x2028) + QStringLiteral("break"),
                            QStringLiteral("emoji 😀 and 'quotes'"),
                            QStringLiteral("tab\tnew\nreturn\r"),
                            QStringLiteral("  spaced  "),
                            QString()};
    const char *dates[] = {"2009-03-14 09:05:00 +0100", "2001-01-01 00:00:00 +0000",
                           "2010-06-30 23:59:59 -0930", "2020-02-29 12:00:00 +1400",
                           "1999-12-31 18:30:00 +0530"};
    NodePtr root = Node::create(Node::Root, at("2009-03-14 09:05:00 +0100"));
    NodePtr group = add(root, Node::Group, names[0], dates[1]);
    for (int i = 0; i < int(names.size()); ++i) {
        NodePtr job = add(i % 2 ? group : root, Node::Job, names[i], dates[i % 5]);
        job->setlDate(at(dates[(i + 2) % 5]));
        job->setWage(12.34f * float(i));
        job->setExecuted(i % 3 == 0);
        job->setColorLabel(i % 7);
        QString descript = names[(i + 3) % names.size()];
        job->setDescript(descript.replace(QLatin1Char('\n'), QChar(0x2028)).remove(QLatin1Char('\r')));
        NodePtr day = add(job, Node::Day, QString(), dates[i % 5]);
        day->setItemNameByType();
        NodePtr t = add(day, Node::TimeEntry, QString(), dates[i % 5]);
        t->setlDate(t->cDate().addSecs(600 * i + 59));
        t->setWage(job->wage());
        t->setItemNameByType();
    }
    root->recalcWorkTimeForTree();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.chronark"));
    ASSERT_TRUE(DocumentFileFormat::writeToFile(path, Type, *root, DocumentValuesStore()));
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(path, Type, out));
    expectSameTree(*root, *out.root);
    EXPECT_EQ(out.root->childAtIndex(2)->itemName(), QStringLiteral("&lt;"));

    // And the same through memory.
    DocumentFileFormat::ReadResult again;
    ASSERT_TRUE(DocumentFileFormat::readXmlData(DocumentFileFormat::toXmlData(*out.root, out.store), again));
    expectSameTree(*root, *again.root);
}

// Every line break of a description reads as one U+2028: an LF, a CR LF, and a CR
// alone (two lines a person wrote, not one); the breaks in a row stay as many. The
// same through the direct reader of the written form and through the XML library.
TEST(DocumentFileFormatRoundTrip, DescriptionsReadWithOneLineSeparatorPerBreak)
{
    const QChar ls(0x2028);
    const struct
    {
        QString written;
        QString read;
    } cases[] = {
        {QStringLiteral("one\r\ntwo\r\n\r\nthree\rfour"),
         QStringLiteral("one") + ls + QStringLiteral("two") + ls + ls + QStringLiteral("three") + ls + QStringLiteral("four")},
        {QStringLiteral("line one\rline two"), QStringLiteral("line one") + ls + QStringLiteral("line two")},
        {QStringLiteral("a\r\rb"), QStringLiteral("a") + ls + ls + QStringLiteral("b")},
        {QStringLiteral("a\n\rb"), QStringLiteral("a") + ls + ls + QStringLiteral("b")},
        {QStringLiteral("a\r\r\nb\n"), QStringLiteral("a") + ls + ls + QStringLiteral("b") + ls},
        {QStringLiteral("\r"), QString(ls)},
        {QStringLiteral("x") + ls + QStringLiteral("\ry"), QStringLiteral("x") + ls + ls + QStringLiteral("y")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.written.toStdString());
        NodePtr root = Node::create(Node::Root);
        NodePtr job = Node::create(Node::Job);
        job->setDescript(c.written);
        root->addChild(job);
        const QByteArray written = DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
        // A comment hands the same document to the XML library.
        const QByteArray other = QByteArray(written).replace("<Chronark", "<!-- other form --><Chronark");
        for (const bool library : {false, true}) {
            QBuffer buffer;
            buffer.setData(library ? other : written);
            buffer.open(QIODevice::ReadOnly);
            DocumentFileFormat::ReadResult out;
            bool handedOver = false;
            const bool direct = DocumentFileFormat::readWrittenForm(&buffer, out, &handedOver);
            EXPECT_EQ(handedOver, library);
            if (handedOver) {
                buffer.seek(0);
                ASSERT_TRUE(DocumentFileFormat::readXmlWithLibrary(&buffer, out));
            } else {
                ASSERT_TRUE(direct);
            }
            EXPECT_EQ(out.root->childAtIndex(0)->descript(), c.read);
        }
    }
}

TEST(DocumentFileFormatRoundTrip, OnlyARootGivesAnEmptyTree)
{
    NodePtr root = Node::create(Node::Root);
    const QByteArray xml = DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
    EXPECT_EQ(elementNames(xml), (QStringList{"Chronark", "document", "documentValues", "tableColumnArray"}));
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readXmlData(xml, out));
    EXPECT_EQ(out.root->type(), Node::Root);
    EXPECT_EQ(out.root->childrenCount(), 0);
}

// ---------------------------------------------------------------------------
// Reading rules

TEST(DocumentFileFormatReading, RulesOfTheReader)
{
    platform::Clock::setNow(at("2011-11-11 11:11:11 +0100"));
    DocumentFileFormat::ReadResult out;
    const bool ok = DocumentFileFormat::readFromFile(
        testsupport::dataPath(QStringLiteral("documents/reading-rules.xml")), Type, out);
    platform::Clock::useSystemClock();
    ASSERT_TRUE(ok);

    const Node &root = *out.root;
    EXPECT_EQ(root.type(), Node::Root);
    EXPECT_EQ(root.itemName(), QStringLiteral("Root")); // the last "document"
    EXPECT_EQ(root.hours(), 42);                          // the root keeps what it had
    ASSERT_EQ(root.childrenCount(), 3);

    const NodePtr stored = root.childAtIndex(0);
    EXPECT_EQ(stored->hours(), 7);
    EXPECT_EQ(stored->minutes(), 15);
    EXPECT_EQ(stored->turnover(), 123.5f);
    EXPECT_EQ(stored->childAtIndex(0)->turnover(), 123.5f);

    const NodePtr group = root.childAtIndex(1);
    const NodePtr job = group->childAtIndex(0);
    const NodePtr day = job->childAtIndex(0);
    ASSERT_EQ(day->childrenCount(), 2);
    const NodePtr first = day->childAtIndex(0);
    const NodePtr second = day->childAtIndex(1);
    EXPECT_EQ(first->hours(), 1); // from the dates, not the stored 99
    EXPECT_EQ(first->minutes(), 0);
    EXPECT_EQ(first->turnover(), 5.0f); // the stored turnover wins
    EXPECT_FALSE(first->active());      // a running entry is closed
    EXPECT_EQ(first->lDate(), at("2009-03-14 10:00:00 +0100"));
    const QChar ls(0x2028);
    EXPECT_EQ(first->descript(), QStringLiteral("first") + ls + QStringLiteral("second") + ls + QStringLiteral("third"));
    EXPECT_EQ(second->minutes(), 30);
    EXPECT_EQ(second->wage(), 60.0f);
    EXPECT_EQ(second->turnover(), 0.0f); // no stored turnover: 0
    EXPECT_EQ(day->hours(), 1);
    EXPECT_EQ(day->minutes(), 30);
    EXPECT_EQ(day->turnover(), 90.0f);
    // A missing date keeps the moment the node was made.
    EXPECT_EQ(day->lDate(), at("2011-11-11 11:11:11 +0100"));
    EXPECT_EQ(job->hours(), 1);
    EXPECT_EQ(job->turnover(), 90.0f);
    EXPECT_TRUE(job->active()); // only time entries are closed
    EXPECT_TRUE(job->executed());
    EXPECT_EQ(group->hours(), 1);
    EXPECT_EQ(group->minutes(), 30);
    EXPECT_EQ(group->turnover(), 90.0f);
    EXPECT_EQ(group->colorLabel(), 4);
    EXPECT_EQ(job->colorLabel(), 0);

    const NodePtr mystery = root.childAtIndex(2);
    EXPECT_EQ(mystery->type(), Node::Job);
    EXPECT_EQ(mystery->itemName(), QStringLiteral("unknown element name"));
    EXPECT_EQ(mystery->cDate(), at("2011-11-11 11:11:11 +0100"));

    // The last "documentValues"; its last child element gives the columns.
    EXPECT_TRUE(out.store.available());
    EXPECT_FALSE(out.store.descriptVisible());
    EXPECT_FALSE(out.store.drawerVisible());
    EXPECT_EQ(out.store.windowFrame(), QRectF(12, 30, 600, 400));
    EXPECT_EQ(out.store.tableColumnArray(),
              (QList<TableColumnData>{TableColumnData(QStringLiteral("itemName"), 120.25f), TableColumnData(QString(), 33.0f)}));
    EXPECT_TRUE(out.store.tableColumnArray().value(1).identifier().isNull());
}

TEST(DocumentFileFormatReading, UnreadableDatesKeepTheConstructionDate)
{
    platform::Clock::setNow(at("2012-05-06 07:08:09 -0300"));
    DocumentFileFormat::ReadResult out;
    const bool ok = DocumentFileFormat::readXmlData(
        wrap("<document><jobEntry createDate=\"yesterday\" lastDate=\"2009-02-30 10:00:00 +0100\"/>"
             "<jobEntry createDate=\"2009-03-14 09:05:00 +0100 \" lastDate=\"\"/></document>"),
        out);
    platform::Clock::useSystemClock();
    ASSERT_TRUE(ok);
    for (const NodePtr &job : out.root->childEnumerator()) {
        EXPECT_TRUE(job->cDate().isValid());
        EXPECT_EQ(job->cDate(), at("2012-05-06 07:08:09 -0300"));
        EXPECT_EQ(job->lDate(), at("2012-05-06 07:08:09 -0300"));
    }
}

TEST(DocumentFileFormatReading, MissingDocumentOpensEmptyAndMissingValuesKeepDefaults)
{
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentFileFormat::readXmlData(wrap(""), out));
    EXPECT_EQ(out.root->type(), Node::Root);
    EXPECT_EQ(out.root->childrenCount(), 0);
    EXPECT_FALSE(out.store.available());
    EXPECT_TRUE(out.store.tableColumnArray().isEmpty());
}

// ---------------------------------------------------------------------------
// Bad input

TEST(DocumentFileFormatBadInput, RefusedWithoutTouchingTheResult)
{
    QTemporaryDir dir;
    auto file = [&](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(testsupport::writeFile(path, bytes));
        return path;
    };
    const QString good = file("good.chronark", DocumentFileFormat::toXmlData(*goldenTree(), goldenStore()));
    Sentinel s;
    EXPECT_FALSE(DocumentFileFormat::readFromFile(good, QStringLiteral("XML"), s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(dir.filePath(QStringLiteral("missing")), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("empty", ""), Type, s.out));
    // One byte-order mark may stand before the declaration; a second is text before it.
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("bom", "\xEF\xBB\xBF\xEF\xBB\xBF<?xml version=\"1.0\"?><Chronark/>"), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("text", "just some text, long enough"), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("archive", QByteArray("\x04\x0btypedstream\x81\x03\xe8\x84\x01@", 18)), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("malformed", "<?xml version=\"1.0\"?><Chronark><document></Chronark>"), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("trailing", wrap("<document/>") + "<extra/>"), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("root", "<?xml version=\"1.0\"?><Chronicle version=\"2.0\"><document/></Chronicle>"), Type, s.out));
    EXPECT_FALSE(DocumentFileFormat::readFromFile(file("entity", "<?xml version=\"1.0\"?><Chronark><document itemName=\"&undefined;\"/></Chronark>"), Type, s.out));
    s.expectUntouched();
    EXPECT_FALSE(DocumentFileFormat::readData(QByteArray("\x04\x0bstreamtyped\x81\x03", 15), s.out));
    EXPECT_FALSE(DocumentFileFormat::readData(" <?xml version=\"1.0\"?><Chronark/>", s.out));
    s.expectUntouched();
    EXPECT_TRUE(DocumentFileFormat::readFromFile(good, Type, s.out));
}

TEST(DocumentFileFormatBadInput, BoundsOnDepthAttributeLengthAndFileSize)
{
    auto nested = [](int levels) {
        QByteArray inner;
        for (int i = 0; i < levels; ++i)
            inner += "<groupEntry>";
        for (int i = 0; i < levels; ++i)
            inner += "</groupEntry>";
        return wrap("<document>" + inner + "</document>");
    };
    Sentinel s;
    DocumentFileFormat::ReadResult ok;
    EXPECT_TRUE(DocumentFileFormat::readXmlData(nested(DocumentFileFormat::MaximumDepth - 2), ok));
    EXPECT_FALSE(DocumentFileFormat::readXmlData(nested(DocumentFileFormat::MaximumDepth - 1), s.out));
    EXPECT_FALSE(DocumentFileFormat::readXmlData(nested(100000), s.out));
    // Deep elements outside the tree count too.
    EXPECT_FALSE(DocumentFileFormat::readXmlData(wrap(QByteArray("<x>").repeated(300) + QByteArray("</x>").repeated(300)), s.out));

    const QByteArray longName(DocumentFileFormat::MaximumAttributeLength + 1, 'n');
    EXPECT_FALSE(DocumentFileFormat::readXmlData(wrap("<document><jobEntry itemName=\"" + longName + "\"/></document>"), s.out));
    EXPECT_FALSE(DocumentFileFormat::readXmlData(wrap("<documentValues identifier=\"" + longName + "\"/>"), s.out));
    const QByteArray fits(DocumentFileFormat::MaximumAttributeLength, 'n');
    EXPECT_TRUE(DocumentFileFormat::readXmlData(wrap("<document><jobEntry itemName=\"" + fits + "\"/></document>"), ok));
    s.expectUntouched();

    // Elements are counted wherever they stand.
    EXPECT_FALSE(DocumentFileFormat::readXmlData(
        wrap(QByteArray("<x/>").repeated(DocumentFileFormat::MaximumElementCount + 1)), s.out));
    EXPECT_TRUE(DocumentFileFormat::readXmlData(
        wrap(QByteArray("<x/>").repeated(DocumentFileFormat::MaximumElementCount)), ok));

    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("huge.chronark"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wrap("<document/>"));
        ASSERT_TRUE(f.resize(DocumentFileFormat::MaximumFileSize + 1)); // sparse
    }
    EXPECT_FALSE(DocumentFileFormat::readFromFile(huge, Type, s.out));
    s.expectUntouched();
}

// ---------------------------------------------------------------------------
// Values

TEST(DocumentFileFormatValues, FloatsAreWrittenLikePrintf)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<quint32> bits;
    QList<float> values{0.0f, -0.0f, 90.0f, 0.1f, 1e-7f, 0.0000005f, 0.0000015f, 2.5e-6f, 123.456789f,
                        1e10f, -3.75f, 0.0078125f, 0.0234375f, std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min()};
    for (int i = 0; i < 20000; ++i) {
        const float f = std::bit_cast<float>(bits(rng));
        if (std::isfinite(f))
            values.append(f);
    }
    for (float f : values)
    {
        char expected[128];
        std::snprintf(expected, sizeof expected, "%f", double(f));
        ASSERT_EQ(DocumentFileFormat::formatFloat(f), QString::fromLatin1(expected)) << f;
    }
    EXPECT_EQ(DocumentFileFormat::formatFloat(90.0f), QStringLiteral("90.000000"));
}

TEST(DocumentFileFormatValues, NumbersAreReadFromTheirLeadingCharacters)
{
    EXPECT_EQ(DocumentFileFormat::intValue(u"  42abc"), 42);
    EXPECT_EQ(DocumentFileFormat::intValue(u"-7"), -7);
    EXPECT_EQ(DocumentFileFormat::intValue(u"+8"), 8);
    EXPECT_EQ(DocumentFileFormat::intValue(u"abc"), 0);
    EXPECT_EQ(DocumentFileFormat::intValue(u""), 0);
    EXPECT_EQ(DocumentFileFormat::intValue(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(DocumentFileFormat::intValue(u"-99999999999999999999"), INT_MIN);
    EXPECT_EQ(DocumentFileFormat::intValue(u"1.9"), 1);

    EXPECT_EQ(DocumentFileFormat::floatValue(u"12.5"), 12.5f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u" .5x"), 0.5f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"-3e2"), -300.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"7e"), 7.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"-"), 0.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"nan"), 0.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"inf"), 0.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"1e999"), std::numeric_limits<float>::max());
    EXPECT_EQ(DocumentFileFormat::floatValue(u"-1e39"), -std::numeric_limits<float>::max());
    EXPECT_EQ(DocumentFileFormat::floatValue(u"1e-999"), 0.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"90.000000"), 90.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"+2.5E+2"), 250.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"-2.5E-1x"), -0.25f);
    EXPECT_EQ(DocumentFileFormat::floatValue(u"-1e-999"), -0.0f);
    EXPECT_TRUE(std::signbit(DocumentFileFormat::floatValue(u"-1e-999")));
    // Numbers of many digits, leading zeros and all.
    const QString zeros(80, u'0');
    EXPECT_EQ(DocumentFileFormat::floatValue(QString(zeros + u"12.5")), 12.5f);
    EXPECT_EQ(DocumentFileFormat::floatValue(QString(u"-" + zeros + u"12.5" + zeros + u"e1")), -125.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(QString(u"0." + zeros + u"1E+82")), 10.0f);
    EXPECT_EQ(DocumentFileFormat::floatValue(QString(u"1" + zeros)), std::numeric_limits<float>::max());
    EXPECT_EQ(DocumentFileFormat::floatValue(QString(u"0." + zeros + u"1")), 0.0f);
}

TEST(DocumentFileFormatValues, NamesAreXmlNames)
{
    for (const QString &name : {QStringLiteral("itemName"), QStringLiteral("a:b"), QStringLiteral("_1.-"),
                                QStringLiteral("été"), QStringLiteral("\U00010000x"), QStringLiteral("x\u00B7\u0300")})
        EXPECT_TRUE(DocumentFileFormat::isXmlName(name)) << name.toStdString();
    for (const QString &name : {QString(), QStringLiteral("1a"), QStringLiteral("-a"), QStringLiteral(".a"),
                                QStringLiteral("a b"), QStringLiteral("a@b"), QStringLiteral("a\u00D7"),
                                QStringLiteral("a\u2028"), QStringLiteral("a\u0085"), QStringLiteral("a\uFFFE"),
                                QString(QStringLiteral("a") + QChar(0x01)), QStringLiteral("\u0300a"), QStringLiteral("a\U000F0000"),
                                QString(QStringLiteral("a") + QChar(0xD800)), QString(QChar(0xDC00) + QStringLiteral("a"))})
        EXPECT_FALSE(DocumentFileFormat::isXmlName(name)) << name.toStdString();
}
