// Older documents (the platform's sequential archive) read through the archive
// decoder: both layouts, Node class versions 159 and 160, both byte orders. Each
// fixture is written by the test writer from a description, and the same
// description builds the expected document directly; both must give the same XML.
#include "application/tree/DocumentArchiveDecoder.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/foundation/Clock.h"
#include "tests/application/tree/NodeTreeArchive.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TypedStreamWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <malloc.h>
#include <random>
#include <tuple>

using testsupport::TypedStreamWriter;

namespace {

struct NodeSpec
{
    int type = Node::Job;
    QString name;
    qint64 created = 0; // seconds since 1970, shown at +01:00
    qint64 last = 0;
    int hours = 0;
    int minutes = 0;
    bool active = false;
    bool executed = false;
    QString descript;
    float turnover = 0;
    float wage = 0;
    QList<NodeSpec> children;
};

struct StoreSpec
{
    bool available = true;
    QRectF frame{12, 30, 600, 400.5};
    bool descriptVisible = true;
    QList<TableColumnData> columns{{QStringLiteral("name"), 220.5f}, {QStringLiteral("time"), 64}};
};

constexpr int Offset = 3600;
const QString ZoneName = QStringLiteral("GMT+0100");

qint64 at(int day, int hour, int minute)
{
    return QDateTime(QDate(2008, 11, day), QTime(hour, minute), Qt::OffsetFromUTC, Offset).toSecsSinceEpoch();
}

double sinceReference(qint64 unixSeconds)
{
    return double(unixSeconds - platform::ArchivedFoundationObjects::ReferenceDateUnixSeconds);
}

// The tree every fixture holds: a group with a job whose day has two time entries
// (one still running, stored sums wrong on purpose), and a job with a day but no
// time entries (its stored sums stay).
NodeSpec sampleTree()
{
    NodeSpec e1{Node::TimeEntry, QStringLiteral("09:00:00 ... 10:30:00"), at(3, 9, 0), at(3, 10, 30), 99, 7, false, false, {}, 90.f, 60.f, {}};
    NodeSpec e2{Node::TimeEntry, QStringLiteral("11:00:00 ... 11:20:00"), at(3, 11, 0), at(3, 11, 20), 0, 20, true, false, {}, 20.f, 60.f, {}};
    NodeSpec day{Node::Day, QStringLiteral("Montag 03.11.2008"), at(3, 9, 0), at(3, 11, 20), 5, 5, false, false, {}, 1.f, 0, {e1, e2}};
    NodeSpec job{Node::Job, QStringLiteral("Projekt A & <B>"), at(1, 8, 0), at(3, 11, 20), 5, 5, true, true,
                 QStringLiteral("first line\u2028second line"), 305.f, 60.f, {day}};
    NodeSpec quietDay{Node::Day, QStringLiteral("Dienstag 04.11.2008"), at(4, 8, 0), at(4, 9, 0), 3, 15, false, false, {}, 0, 0, {}};
    NodeSpec quietJob{Node::Job, QStringLiteral("Projekt B"), at(2, 8, 0), at(4, 9, 0), 3, 15, false, false, {}, 48.75f, 15.f, {quietDay}};
    NodeSpec group{Node::Group, QStringLiteral("Kunden"), at(1, 7, 0), at(4, 9, 0), 0, 0, false, false,
                   QStringLiteral("Gruppe"), 0, 0, {job, quietJob}};
    NodeSpec root{Node::Root, QString(), at(1, 7, 0), at(4, 9, 0), 0, 0, false, false, {}, 0, 0, {group}};
    return root;
}

void writeCalendarDate(TypedStreamWriter &w, qint64 unixSeconds)
{
    w.calendarDate(sinceReference(unixSeconds), ZoneName);
}

void writeStore(TypedStreamWriter &w, const StoreSpec &s)
{
    w.beginObject({{"DocumentValuesStore", 100}, {"NSObject", 0}});
    w.group("c");
    w.charValue(s.available);
    w.group("{_NSRect={_NSPoint=ff}{_NSSize=ff}}");
    for (qreal f : {s.frame.x(), s.frame.y(), s.frame.width(), s.frame.height()})
        w.floatValue(float(f));
    w.group("c");
    w.charValue(s.descriptVisible);
    w.group("@");
    w.array(s.columns.size(), [&](qsizetype i) {
        w.beginObject({{"TableColumnData", 0}, {"NSObject", 0}});
        w.group("f");
        w.floatValue(s.columns[i].width());
        w.group("@");
        w.string(s.columns[i].identifier());
        w.endObject();
    });
    w.endObject();
}

using DateWriter = void (*)(TypedStreamWriter &w, qint64 unixSeconds);

// Node's fields in archive order. The groups are split differently on purpose: the
// decoder takes fields, not calls.
void writeNode(TypedStreamWriter &w, const NodeSpec &n, qint64 version, const StoreSpec *storeInSlot0 = nullptr,
               DateWriter writeDate = writeCalendarDate)
{
    w.beginObject({{"Node", version}, {"NSObject", 0}});
    w.group("@");
    const qsizetype extra = storeInSlot0 ? 1 : 0;
    w.array(n.children.size() + extra, [&](qsizetype i) {
        if (i < extra)
            writeStore(w, *storeInSlot0);
        else
            writeNode(w, n.children[i - extra], version, nullptr, writeDate);
    });
    w.group("@");
    if (n.name.isEmpty())
        w.nil();
    else
        w.string(n.name);
    w.group("i");
    w.integer(n.type);
    w.group("@@");
    writeDate(w, n.created);
    writeDate(w, n.last);
    w.group("iic");
    w.integer(n.hours);
    w.integer(n.minutes);
    w.charValue(n.active);
    if (version > 159) {
        w.group("c");
        w.charValue(n.executed);
        w.group("@");
        if (n.descript.isEmpty())
            w.nil();
        else
            w.string(n.descript);
        w.group("ff");
        w.floatValue(n.turnover);
        w.floatValue(n.wage);
    }
    w.endObject();
}

QByteArray rootLayout(const NodeSpec &root, qint64 version, TypedStreamWriter::ByteOrder order, const StoreSpec &store)
{
    TypedStreamWriter w(order);
    w.group("@");
    writeNode(w, root, version, &store);
    return w.data();
}

QByteArray oldestLayout(const QList<NodeSpec> &nodes, qint64 version, TypedStreamWriter::ByteOrder order)
{
    TypedStreamWriter w(order);
    w.group("@");
    w.array(nodes.size(), [&](qsizetype i) { writeNode(w, nodes[i], version); });
    return w.data();
}

QDateTime dateOf(qint64 unixSeconds)
{
    return QDateTime::fromSecsSinceEpoch(unixSeconds, Qt::OffsetFromUTC, Offset);
}

// The document the fixture describes, built directly.
NodePtr build(const NodeSpec &n, qint64 version)
{
    NodePtr node = Node::create(n.type, dateOf(n.created));
    node->setItemName(n.name);
    node->setlDate(dateOf(n.last));
    const bool details = version > 159;
    node->setWage(details ? n.wage : 0.f);
    node->setHours(n.hours);
    node->setMinutes(n.minutes);
    node->setTurnover(details ? n.turnover : 0.f);
    node->setActive(n.active);
    node->setExecuted(details && n.executed);
    if (details && !n.descript.isEmpty())
        node->setDescript(n.descript);
    for (const NodeSpec &c : n.children)
        node->addChild(build(c, version));
    return node;
}

DocumentValuesStore buildStore(const StoreSpec &s)
{
    DocumentValuesStore store;
    store.setWindowFrame(s.frame);
    store.setDescriptVisible(s.descriptVisible);
    store.setTableColumnArray(s.columns);
    store.setAvailable(s.available);
    return store;
}

QByteArray expectedXml(NodePtr root, const DocumentValuesStore &store)
{
    root->setAllParentValues();
    root->deactivedTimeNodeForTree();
    root->recalcWorkTimeForTree();
    return DocumentFileFormat::toXmlData(*root, store);
}

struct Case
{
    qint64 version;
    TypedStreamWriter::ByteOrder order;
};

class DocumentArchiveLayouts : public ::testing::TestWithParam<Case>
{
};

} // namespace

TEST_P(DocumentArchiveLayouts, RootLayoutGivesTheSameDocumentAsBuiltDirectly)
{
    const Case c = GetParam();
    const NodeSpec tree = sampleTree();
    const StoreSpec storeSpec;
    const QByteArray bytes = rootLayout(tree, c.version, c.order, storeSpec);
    EXPECT_EQ(DocumentFileFormat::kindOfLeadingBytes(bytes.left(13)), DocumentFileFormat::Kind::Archive);

    DocumentFileFormat::ReadResult out;
    QString error;
    ASSERT_TRUE(DocumentArchiveDecoder::decode(bytes, out, &error)) << qPrintable(error);
    ASSERT_TRUE(out.root);
    EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store),
              expectedXml(build(tree, c.version), buildStore(storeSpec)));

    // The window state left the root's list.
    const Node &root = *out.root;
    EXPECT_EQ(root.type(), Node::Root);
    ASSERT_EQ(root.childrenCount(), 1);
    const NodePtr group = root.childAtIndex(0);
    EXPECT_EQ(group->parent(), &root);
    EXPECT_EQ(group->itemName(), QStringLiteral("Kunden"));
    EXPECT_EQ(out.store.windowFrame(), storeSpec.frame);
    EXPECT_TRUE(out.store.descriptVisible());
    EXPECT_TRUE(out.store.available());
    EXPECT_FALSE(out.store.drawerVisible());
    EXPECT_EQ(out.store.tableColumnArray(), storeSpec.columns);

    // The running entry is closed at its stored end, the sums come from the entries.
    const NodePtr job = group->childAtIndex(0);
    const NodePtr day = job->childAtIndex(0);
    EXPECT_FALSE(day->childAtIndex(1)->active());
    EXPECT_EQ(day->childAtIndex(1)->lDate(), dateOf(at(3, 11, 20)));
    EXPECT_EQ(day->childAtIndex(1)->lDate().offsetFromUtc(), Offset);
    // Archived fields are taken as stored (no recomputation from the dates), so the
    // day is the carried sum of the entries' stored times: 99:07 + 0:20.
    EXPECT_EQ(day->hours(), 99);
    EXPECT_EQ(day->minutes(), 27);
    EXPECT_EQ(job->active(), true);
    // The job without time entries keeps what the file says.
    const NodePtr quietJob = group->childAtIndex(1);
    EXPECT_EQ(quietJob->hours(), 3);
    EXPECT_EQ(quietJob->minutes(), 15);
    if (c.version > 159) {
        EXPECT_TRUE(job->executed());
        EXPECT_EQ(job->descript(), QStringLiteral("first line\u2028second line"));
        EXPECT_EQ(job->wage(), 60.f);
        EXPECT_EQ(quietJob->turnover(), 48.75f);
    } else {
        EXPECT_FALSE(job->executed());
        EXPECT_TRUE(job->descript().isEmpty());
        EXPECT_EQ(job->wage(), 0.f);
        EXPECT_EQ(quietJob->turnover(), 0.f);
    }
    EXPECT_EQ(job->colorLabel(), 0);
}

TEST_P(DocumentArchiveLayouts, OldestLayoutPutsTheListUnderANewRoot)
{
    const Case c = GetParam();
    const NodeSpec tree = sampleTree();
    const QList<NodeSpec> jobs = tree.children.first().children;
    const QByteArray bytes = oldestLayout(jobs, c.version, c.order);

    DocumentFileFormat::ReadResult out;
    QString error;
    ASSERT_TRUE(DocumentArchiveDecoder::decode(bytes, out, &error)) << qPrintable(error);
    ASSERT_TRUE(out.root);
    EXPECT_EQ(out.root->type(), Node::Root);
    ASSERT_EQ(out.root->childrenCount(), 2);
    EXPECT_EQ(out.root->childAtIndex(1)->parent(), out.root.get());
    EXPECT_FALSE(out.store.available());
    EXPECT_TRUE(out.store.tableColumnArray().isEmpty());

    // Built directly: a new root receives the jobs; its dates are the reading time,
    // so they are taken over before the comparison.
    NodePtr expected = Node::create(Node::Root, out.root->cDate());
    expected->setlDate(out.root->lDate());
    for (const NodeSpec &j : jobs)
        expected->addChild(build(j, c.version));
    EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store), expectedXml(expected, DocumentValuesStore()));
}

INSTANTIATE_TEST_SUITE_P(VersionsAndByteOrders, DocumentArchiveLayouts,
                         ::testing::Values(Case{160, TypedStreamWriter::ByteOrder::Little},
                                           Case{160, TypedStreamWriter::ByteOrder::Big},
                                           Case{159, TypedStreamWriter::ByteOrder::Little},
                                           Case{159, TypedStreamWriter::ByteOrder::Big}),
                         [](const auto &test) {
                             return "Version" + std::to_string(test.param.version)
                                 + (test.param.order == TypedStreamWriter::ByteOrder::Little ? "_streamtyped"
                                                                                             : "_typedstream");
                         });

TEST(DocumentArchive, BothSignaturesAreArchives)
{
    EXPECT_EQ(DocumentFileFormat::kindOfLeadingBytes(QByteArray("\x04\x0bstreamtyped")), DocumentFileFormat::Kind::Archive);
    EXPECT_EQ(DocumentFileFormat::kindOfLeadingBytes(QByteArray("\x04\x0btypedstream")), DocumentFileFormat::Kind::Archive);
}

TEST(DocumentArchive, MissingNameAndDatesAndAnEmptyRoot)
{
    NodeSpec root{Node::Root, QString(), at(1, 7, 0), at(1, 7, 0), 0, 0, false, false, {}, 0, 0, {}};
    NodeSpec job{Node::Job, QString(), at(1, 7, 0), at(1, 8, 0), 1, 2, false, false, {}, 0, 0, {}};
    root.children = {job};
    DocumentFileFormat::ReadResult out;
    ASSERT_TRUE(DocumentArchiveDecoder::decode(rootLayout(root, 160, TypedStreamWriter::ByteOrder::Little, {}), out));
    ASSERT_EQ(out.root->childrenCount(), 1);
    EXPECT_TRUE(out.root->childAtIndex(0)->itemName().isEmpty());

    // A root with no children and no window state: nothing is taken out.
    TypedStreamWriter w;
    w.group("@");
    writeNode(w, NodeSpec{Node::Root, QString(), at(1, 7, 0), at(1, 7, 0), 0, 0, false, false, {}, 0, 0, {}}, 160);
    DocumentFileFormat::ReadResult empty;
    ASSERT_TRUE(DocumentArchiveDecoder::decode(w.data(), empty));
    EXPECT_EQ(empty.root->childrenCount(), 0);
    EXPECT_FALSE(empty.store.available());
}

TEST(DocumentArchive, RefusesWhatIsNotADocument)
{
    auto refused = [](const QByteArray &bytes) {
        DocumentFileFormat::ReadResult out;
        const NodePtr before = Node::create(Node::Root);
        out.root = before;
        QString error;
        const bool ok = DocumentArchiveDecoder::decode(bytes, out, &error);
        EXPECT_EQ(out.root, before); // untouched
        EXPECT_TRUE(ok || !error.isEmpty());
        return !ok;
    };
    const NodeSpec job{Node::Job, QStringLiteral("J"), at(1, 7, 0), at(1, 8, 0), 1, 2, false, false, {}, 0, 0, {}};

    // A string, a colour, an unknown class at the top; an empty archive; two top objects.
    TypedStreamWriter s;
    s.group("@");
    s.string(QStringLiteral("hello"));
    EXPECT_TRUE(refused(s.data()));
    TypedStreamWriter color;
    color.group("@");
    color.beginObject({{"NSColor", 0}, {"NSObject", 0}});
    color.group("c");
    color.charValue(3);
    color.group("ff");
    color.floatValue(1);
    color.floatValue(1);
    color.endObject();
    EXPECT_TRUE(refused(color.data()));
    TypedStreamWriter unknown;
    unknown.group("@");
    unknown.beginObject({{"Evil", 0}, {"NSObject", 0}});
    unknown.endObject();
    EXPECT_TRUE(refused(unknown.data()));
    EXPECT_TRUE(refused(TypedStreamWriter().data()));
    TypedStreamWriter two;
    two.group("@");
    writeNode(two, job, 160);
    two.group("@");
    writeNode(two, job, 160);
    EXPECT_TRUE(refused(two.data()));
    // A list holding something other than nodes.
    TypedStreamWriter mixed;
    mixed.group("@");
    mixed.array(2, [&](qsizetype i) {
        if (i == 0)
            writeNode(mixed, job, 160);
        else
            mixed.string(QStringLiteral("x"));
    });
    EXPECT_TRUE(refused(mixed.data()));
    // A node type outside 0…4; fields with the wrong type codes; fields missing.
    NodeSpec bad = job;
    bad.type = 7;
    TypedStreamWriter badType;
    badType.group("@");
    writeNode(badType, bad, 160);
    EXPECT_TRUE(refused(badType.data()));
    TypedStreamWriter wrongCode;
    wrongCode.group("@");
    wrongCode.beginObject({{"Node", 160}, {"NSObject", 0}});
    wrongCode.group("@@");
    wrongCode.nil();
    wrongCode.nil();
    wrongCode.group("s");
    wrongCode.integer(0);
    wrongCode.endObject();
    EXPECT_TRUE(refused(wrongCode.data()));
    TypedStreamWriter versionMismatch; // version 160 without the later fields
    versionMismatch.group("@");
    writeNode(versionMismatch, job, 159);
    QByteArray patched = versionMismatch.data();
    const qsizetype v = patched.indexOf("Node") + 4;
    ASSERT_EQ(quint8(patched[v]), 0x81); // 159 in the two-byte form
    patched[v + 1] = char(160);
    EXPECT_TRUE(refused(patched));
    // A generic object in a node's field (the name).
    TypedStreamWriter genericName;
    genericName.group("@");
    genericName.beginObject({{"Node", 160}, {"NSObject", 0}});
    genericName.group("@@");
    genericName.nil();
    genericName.beginObject({{"Whatever", 0}, {"NSObject", 0}});
    genericName.endObject();
    genericName.endObject();
    EXPECT_TRUE(refused(genericName.data()));
    // The window state anywhere but slot 0 of the root.
    TypedStreamWriter lateStore;
    lateStore.group("@");
    lateStore.beginObject({{"Node", 160}, {"NSObject", 0}});
    lateStore.group("@");
    lateStore.array(2, [&](qsizetype i) {
        if (i == 0)
            writeNode(lateStore, job, 160);
        else
            writeStore(lateStore, StoreSpec());
    });
    lateStore.endObject();
    EXPECT_TRUE(refused(lateStore.data()));
}

TEST(DocumentArchive, RefusesANodeMetTwice)
{
    // A job written in full the first time and referred back to after.
    const NodeSpec job{Node::Job, QStringLiteral("J"), at(1, 7, 0), at(1, 8, 0), 1, 2, false, false, {}, 0, 0, {}};
    auto writeJob = [&](TypedStreamWriter &w, const void *identity) {
        if (!w.beginObject({{"Node", 160}, {"NSObject", 0}}, identity))
            return;
        w.group("@");
        w.nil();
        w.group("@");
        w.string(job.name);
        w.group("i");
        w.integer(job.type);
        w.group("@@");
        writeCalendarDate(w, job.created);
        writeCalendarDate(w, job.last);
        w.group("iicc@ff");
        w.integer(1);
        w.integer(2);
        w.charValue(0);
        w.charValue(0);
        w.nil();
        w.floatValue(0);
        w.floatValue(0);
        w.endObject();
    };
    // A node of the root layout whose list writes its children through `child` (a list
    // of that identity written before is referred back to).
    auto writeParent = [](TypedStreamWriter &w, qsizetype count, const std::function<void(qsizetype)> &child,
                          const void *list = nullptr) {
        w.beginObject({{"Node", 160}, {"NSObject", 0}});
        w.group("@");
        if (w.beginObject(TypedStreamWriter::arrayChain("NSMutableArray"), list)) {
            w.group("i");
            w.integer(count);
            for (qsizetype i = 0; i < count; ++i) {
                w.group("@");
                child(i);
            }
            w.endObject();
        }
        w.group("@i@@iicc@ff");
        w.nil();
        w.integer(Node::Root);
        w.nil();
        w.nil();
        w.integer(0);
        w.integer(0);
        w.charValue(0);
        w.charValue(0);
        w.nil();
        w.floatValue(0);
        w.floatValue(0);
        w.endObject();
    };
    auto refused = [](const QByteArray &bytes) {
        for (const auto hold : {DocumentArchiveDecoder::Hold::DecodedValues, DocumentArchiveDecoder::Hold::WholeArchive}) {
            DocumentFileFormat::ReadResult out;
            QString error;
            EXPECT_FALSE(DocumentArchiveDecoder::decode(bytes, out, &error, hold));
            // As a malformed node while the stream is read, or as a malformed tree after.
            EXPECT_TRUE(error.startsWith(QStringLiteral("malformed node"), Qt::CaseInsensitive)) << qPrintable(error);
            EXPECT_FALSE(out.root);
        }
    };
    const int identity = 0;
    // The same job in the oldest layout's list twice.
    TypedStreamWriter top;
    top.group("@");
    top.array(2, [&](qsizetype) { writeJob(top, &identity); });
    refused(top.data());
    // The same job in one node's list twice, and in the lists of two nodes.
    TypedStreamWriter oneList;
    oneList.group("@");
    writeParent(oneList, 2, [&](qsizetype) { writeJob(oneList, &identity); });
    refused(oneList.data());
    TypedStreamWriter twoLists;
    twoLists.group("@");
    writeParent(twoLists, 2, [&](qsizetype) { writeParent(twoLists, 1, [&](qsizetype) { writeJob(twoLists, &identity); }); });
    refused(twoLists.data());
    // One list of a job as the list of two nodes: the first node holds the job, the
    // second's claim is refused. One empty list for every node is read, both ways alike.
    const int list = 0;
    TypedStreamWriter sharedList;
    sharedList.group("@");
    writeParent(sharedList, 2, [&](qsizetype) { writeParent(sharedList, 1, [&](qsizetype) { writeJob(sharedList, nullptr); }, &list); });
    refused(sharedList.data());
    TypedStreamWriter sharedEmpty;
    sharedEmpty.group("@");
    writeParent(sharedEmpty, 3, [&](qsizetype) { writeParent(sharedEmpty, 0, [](qsizetype) {}, &list); });
    QByteArray answers[2];
    for (const auto hold : {DocumentArchiveDecoder::Hold::DecodedValues, DocumentArchiveDecoder::Hold::WholeArchive}) {
        DocumentFileFormat::ReadResult out;
        QString error;
        ASSERT_TRUE(DocumentArchiveDecoder::decode(sharedEmpty.data(), out, &error, hold)) << qPrintable(error);
        EXPECT_EQ(out.root->childrenCount(), 3);
        answers[int(hold)] = DocumentFileFormat::toXmlData(*out.root, out.store);
    }
    EXPECT_EQ(answers[0], answers[1]);
    // The window state in the first place of a job's list rather than the root's.
    const StoreSpec store;
    TypedStreamWriter storeBelow;
    storeBelow.group("@");
    writeParent(storeBelow, 1, [&](qsizetype) { writeNode(storeBelow, job, 160, &store); });
    refused(storeBelow.data());
}

TEST(DocumentArchive, WritesFixturesForTheFuzzCorpus)
{
    // The fixtures double as the seed corpus of the fuzz target; they must stay
    // readable.
    const NodeSpec tree = sampleTree();
    const QList<QPair<QString, QByteArray>> fixtures{
        {QStringLiteral("archive-root-160-le.chronark"), rootLayout(tree, 160, TypedStreamWriter::ByteOrder::Little, {})},
        {QStringLiteral("archive-root-159-be.chronark"), rootLayout(tree, 159, TypedStreamWriter::ByteOrder::Big, {})},
        {QStringLiteral("archive-list-160-be.chronark"),
         oldestLayout(tree.children.first().children, 160, TypedStreamWriter::ByteOrder::Big)},
    };
    for (const auto &[name, bytes] : fixtures) {
        const QString path = testsupport::dataPath(QStringLiteral("documents/") + name);
        const QByteArray stored = testsupport::readFile(path);
        if (stored.isEmpty())
            ASSERT_TRUE(testsupport::writeFile(path, bytes));
        else
            EXPECT_EQ(stored, bytes) << qPrintable(name); // the writer's output is stable
        DocumentFileFormat::ReadResult out;
        EXPECT_TRUE(DocumentArchiveDecoder::decode(testsupport::readFile(path), out)) << qPrintable(name);
    }
}

namespace {

// What one way of holding the archive answered: the document's XML form, or the
// reason of the refusal (and that the result was left untouched). The clock stands
// still meanwhile: the oldest layout's new root is made now.
QString answerOf(const QByteArray &bytes, DocumentArchiveDecoder::Hold hold)
{
    DocumentFileFormat::ReadResult out;
    QString error;
    platform::Clock::setNow(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC));
    const bool read = DocumentArchiveDecoder::decode(bytes, out, &error, hold);
    platform::Clock::useSystemClock();
    if (!read)
        return QStringLiteral("refused: %1%2").arg(error, out.root ? QStringLiteral(" (result set)") : QString());
    return QString::fromUtf8(DocumentFileFormat::toXmlData(*out.root, out.store));
}

QString answerHoldingValues(const QByteArray &bytes)
{
    return answerOf(bytes, DocumentArchiveDecoder::Hold::DecodedValues);
}

QString answerHoldingAll(const QByteArray &bytes)
{
    return answerOf(bytes, DocumentArchiveDecoder::Hold::WholeArchive);
}

// A calendar date as the platform wrote it: every date of the document shares one
// zone and one format object, written once and referred back to after.
void writeSharedDate(TypedStreamWriter &w, qint64 unixSeconds)
{
    static const char zone = 0;
    static const char zoneName = 0;
    static const char format = 0;
    w.beginObject({{"NSCalendarDate", 0}, {"NSDate", 0}, {"NSObject", 0}});
    w.group("d");
    w.doubleValue(sinceReference(unixSeconds), false);
    w.group("@");
    if (w.beginObject({{"NSTimeZone", 0}, {"NSObject", 0}}, &zone)) {
        w.group("@");
        if (w.beginObject({{"NSString", 1}, {"NSObject", 0}}, &zoneName)) {
            w.group("+");
            w.byteString(ZoneName.toUtf8());
            w.endObject();
        }
        w.group("@");
        w.nil();
        w.endObject();
    }
    w.group("@");
    if (w.beginObject({{"NSString", 1}, {"NSObject", 0}}, &format)) {
        w.group("+");
        w.byteString("%Y-%m-%d %H:%M:%S %z");
        w.endObject();
    }
    w.endObject();
}

// The sample's nodes, `copies` times over in the oldest layout, every date sharing its
// zone and format.
QByteArray sharingArchive(int copies)
{
    const NodeSpec sample = sampleTree().children.first();
    TypedStreamWriter w;
    w.group("@");
    w.array(copies, [&](qsizetype) { writeNode(w, sample, 160, nullptr, writeSharedDate); });
    return w.data();
}

QList<QByteArray> storedArchives()
{
    QList<QByteArray> archives;
    for (const char *name : {"documents/archive-root-160-le.chronark", "documents/archive-root-159-be.chronark",
                             "documents/archive-list-160-be.chronark", "typedstream/colorlist.clr",
                             "typedstream/grapher-empty2d.gcx"})
        archives.append(testsupport::readFile(testsupport::dataPath(QString::fromLatin1(name))));
    return archives;
}

} // namespace

TEST(DocumentArchive, BothWaysOfHoldingAnswerAlikeForEveryCutOfTheStoredArchives)
{
    // Every cut of the documents; of the larger samples every 61st and the last ones.
    for (const QByteArray &archive : storedArchives()) {
        ASSERT_FALSE(archive.isEmpty());
        const qsizetype step = archive.size() > 4096 ? 61 : 1;
        for (qsizetype length = 0; length <= archive.size(); length += length + 64 > archive.size() ? 1 : step) {
            const QByteArray cut = archive.left(length);
            ASSERT_EQ(answerHoldingValues(cut), answerHoldingAll(cut)) << "cut at " << length;
        }
    }
    // The stored documents read whole, the other archives are no documents.
    EXPECT_FALSE(answerHoldingValues(storedArchives().at(0)).startsWith(QStringLiteral("refused")));
    EXPECT_TRUE(answerHoldingValues(storedArchives().at(3)).startsWith(QStringLiteral("refused")));
}

TEST(DocumentArchive, BothWaysOfHoldingAnswerAlikeForChangedArchives)
{
    // Seeded: bytes changed, dropped and doubled in the stored and generated archives.
    std::mt19937 random(86);
    QList<QByteArray> archives = storedArchives();
    archives.append(sharingArchive(3));
    archives.append(nodetreearchive::referringBack(40));
    int read = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = archives.at(qsizetype(random() % archives.size()));
        const int changes = 1 + int(random() % 3);
        for (int c = 0; c < changes && !bytes.isEmpty(); ++c) {
            const qsizetype at = qsizetype(random() % quint32(bytes.size()));
            switch (random() % 3) {
            case 0:
                bytes[at] = char(random() % 256);
                break;
            case 1:
                bytes.remove(at, 1 + qsizetype(random() % 4));
                break;
            default:
                bytes.insert(at, bytes.mid(at, 1 + qsizetype(random() % 8)));
                break;
            }
        }
        const QString answer = answerHoldingValues(bytes);
        ASSERT_EQ(answer, answerHoldingAll(bytes)) << "round " << round;
        read += answer.startsWith(QStringLiteral("refused")) ? 0 : 1;
    }
    // Some changes leave a document (a changed number, a changed name).
    EXPECT_GT(read, 0);
}

TEST(DocumentArchive, ReadsADocumentThatSharesItsDatesPartsThroughout)
{
    // More back-references than the allowance: four a node (two dates, each with its
    // zone and format), as the platform wrote; 4,200 nodes.
    const int copies = 600;
    const QByteArray bytes = sharingArchive(copies);
    DocumentFileFormat::ReadResult out;
    QString error;
    ASSERT_TRUE(DocumentArchiveDecoder::decode(bytes, out, &error)) << qPrintable(error);
    ASSERT_EQ(out.root->childrenCount(), copies);
    const NodeSpec sample = sampleTree().children.first();
    NodePtr expected = Node::create(Node::Root);
    // The new root is made now, as the read's was.
    expected->setcDate(out.root->cDate());
    expected->setlDate(out.root->lDate());
    for (int i = 0; i < copies; ++i)
        expected->addChild(build(sample, 160));
    EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store), expectedXml(expected, DocumentValuesStore()));
    EXPECT_EQ(answerHoldingValues(bytes), answerHoldingAll(bytes));
}

TEST(DocumentArchive, RefusesAStreamReferringBackPastItsSize)
{
    // A back-reference costs its place in the list that holds it: a list referring back
    // to one string is read (and is no document) while its places fit the memory its
    // size allows, and refused as too large past them. Both ways of holding refuse at
    // the same count, and every count between answers one or the other.
    const QString tooLarge = QStringLiteral("refused: stream too large for the memory its values take");
    const QString noDocument = QStringLiteral("refused: malformed Node"); // strings are no children
    qsizetype read = 1000;
    qsizetype refused = 4'000'000;
    ASSERT_EQ(answerHoldingValues(nodetreearchive::referringBack(read)), noDocument);
    ASSERT_EQ(answerHoldingValues(nodetreearchive::referringBack(refused)), tooLarge);
    while (refused - read > 1) {
        const qsizetype middle = (read + refused) / 2;
        (answerHoldingValues(nodetreearchive::referringBack(middle)) == tooLarge ? refused : read) = middle;
    }
    // Past the first MiB, each reference of two or three bytes holds more than its share.
    EXPECT_GT(refused, qsizetype(platform::TypedStreamReader::MemoryAllowance / 256));
    EXPECT_LT(nodetreearchive::referringBack(refused).size(), 4 << 20);
    for (qsizetype count = read - 8; count <= refused + 8; ++count) {
        const QByteArray bytes = nodetreearchive::referringBack(count);
        const QString answer = answerHoldingValues(bytes);
        EXPECT_EQ(answer, answerHoldingAll(bytes)) << count;
        EXPECT_EQ(answer, count < refused ? noDocument : tooLarge) << count;
    }
}

TEST(DocumentArchive, RefusesStreamsExpandingPastTheirSizeAsTooLarge)
{
    // Each form of two MB would hold tens of bytes of memory for each of its bytes;
    // both ways of holding refuse it alike, before holding that much: a node of numbers
    // as too large, and a list of other objects than nodes where its first item begins.
    using nodetreearchive::Expanding;
    const QString tooLarge = QStringLiteral("refused: stream too large for the memory its values take");
    const QList<std::pair<Expanding, QString>> forms = {
        {Expanding::NumberGroups, tooLarge},
        {Expanding::NumberArray, tooLarge},
        {Expanding::TinyObjects, QStringLiteral("refused: class NSObject not accepted here")},
        {Expanding::DeepNesting, QStringLiteral("refused: class NSMutableArray not accepted here")},
        {Expanding::LongStrings, QStringLiteral("refused: class NSString not accepted here")},
    };
    for (const auto &[form, answer] : forms) {
        const QByteArray bytes = nodetreearchive::expanding(form, 2 << 20);
        ASSERT_GT(bytes.size(), 1 << 20) << int(form);
        EXPECT_EQ(answerHoldingValues(bytes), answer) << int(form);
        EXPECT_EQ(answerHoldingAll(bytes), answer) << int(form);
    }
    // A list of nodes holding lists of other objects is no document either.
    TypedStreamWriter w(TypedStreamWriter::ByteOrder::Big);
    w.group("@");
    w.array(1, [&](qsizetype) {
        w.beginObject({{"Node", 160}, {"NSObject", 0}});
        w.group("@");
        w.array(1, [&](qsizetype) { w.array(0, [](qsizetype) {}); });
        w.endObject();
    });
    EXPECT_EQ(answerHoldingValues(w.data()), QStringLiteral("refused: class NSMutableArray not accepted here"));
}

TEST(DocumentArchive, ReadsLargeDocumentsOfSmallEntriesWithinTheMemoryBound)
{
    // Entries of the smallest kind hold the most for their size: 8,000 of them in 80
    // days, far past the first MiB the bound allows whatever the size, read whole
    // both ways.
    NodePtr root = Node::create(Node::Root);
    NodePtr job = Node::create(Node::Job);
    root->addChild(job);
    for (int d = 0; d < 80; ++d) {
        NodePtr day = Node::create(Node::Day);
        job->addChild(day);
        for (int i = 0; i < 100; ++i) {
            NodePtr entry = Node::create(Node::TimeEntry);
            entry->setItemName(QString());
            day->addChild(entry);
        }
    }
    const QByteArray bytes = nodetreearchive::archiveOf(*root, DocumentValuesStore());
    ASSERT_GT(bytes.size() * DocumentFileFormat::ArchiveMemoryPerByte, 8 * platform::TypedStreamReader::MemoryAllowance);
    const QString answer = answerHoldingValues(bytes);
    ASSERT_FALSE(answer.startsWith(QStringLiteral("refused"))) << qPrintable(answer);
    EXPECT_EQ(answer, answerHoldingAll(bytes));
}

// The allocator's own count is the measure; a sanitizer's allocator keeps another.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(DocumentArchive, WhatAReadHoldsIsWhatItIsCharged)
{
    // Streams of 2 MB that hold many times their size (no bound, nothing decoded as a
    // document): what the allocator gave the read and still holds for its archive is
    // never more than charged (beside a few blocks of the reader's own), nor far less,
    // whichever of small numbers, tiny objects and deeply nested lists the stream holds.
    using nodetreearchive::Expanding;
    auto heap = [] {
        const struct mallinfo2 info = mallinfo2();
        return qsizetype(info.uordblks + info.hblkhd);
    };
    for (const Expanding form : {Expanding::NumberGroups, Expanding::TinyObjects, Expanding::DeepNesting}) {
        const QByteArray bytes = nodetreearchive::expanding(form, 2 << 20);
        platform::TypedStreamReader reader;
        platform::TypedStreamReader::Limits limits;
        limits.maxObjectDepth = 2 * DocumentFileFormat::MaximumDepth;
        reader.setLimits(limits);
        reader.setKeepDecodedGroups(false);
        platform::ArchivedFoundationObjects::registerDecoders(reader, platform::ArchivedFoundationObjects::Sharing::EqualValues);
        const qsizetype before = heap();
        const std::unique_ptr<platform::TypedStreamArchive> archive = reader.read(bytes);
        ASSERT_TRUE(archive) << int(form) << ": " << qPrintable(reader.errorString());
        const qsizetype held = heap() - before;
        ASSERT_GT(held, 8 * bytes.size()) << int(form);
        EXPECT_LE(held, reader.held() + 16 * 1024) << int(form);
        EXPECT_LE(reader.held(), held + held / 8) << int(form);
    }
}
#endif

TEST(DocumentArchive, BothWaysOfHoldingAnswerAlikeAtTheMemoryBound)
{
    // Nodes of ever more small numbers: read (and no document) up to the bound, too
    // large past it; both ways of holding answer alike on either side of it.
    using nodetreearchive::Expanding;
    const QString tooLarge = QStringLiteral("refused: stream too large for the memory its values take");
    const QString noDocument = QStringLiteral("refused: malformed Node");
    qsizetype read = 4096;
    qsizetype refused = 2 << 20;
    ASSERT_EQ(answerHoldingValues(nodetreearchive::expanding(Expanding::NumberGroups, read)), noDocument);
    ASSERT_EQ(answerHoldingValues(nodetreearchive::expanding(Expanding::NumberGroups, refused)), tooLarge);
    while (refused - read > 2) {
        const qsizetype middle = (read + refused) / 2;
        (answerHoldingValues(nodetreearchive::expanding(Expanding::NumberGroups, middle)) == tooLarge ? refused : read)
            = middle;
    }
    for (qsizetype bytes = read - 64; bytes <= refused + 64; bytes += 2) {
        const QByteArray stream = nodetreearchive::expanding(Expanding::NumberGroups, bytes);
        const QString answer = answerHoldingValues(stream);
        EXPECT_EQ(answer, bytes < refused ? noDocument : tooLarge) << bytes;
        EXPECT_EQ(answerHoldingAll(stream), answer) << bytes;
    }
}

// The number of entries, and whether every node has the same two dates.
class DocumentArchiveSharing : public testing::TestWithParam<std::tuple<int, bool>>
{
};

TEST_P(DocumentArchiveSharing, ReadsEveryWayThePlatformSharedObjectsAtEverySize)
{
    // The platform's writer wrote an object used more than once in full the first time
    // and referred back to it after: such archives take 59 to 75 bytes an entry, far
    // fewer than the unshared ones. Each shape opens at every size, every entry right,
    // held at no more than four fifths of the bound. So do documents whose every node
    // has the same two dates; shared as dates too (34 bytes an entry, the densest the
    // writer makes) they hold under 12 bytes for each of theirs (the nodes alone 8.5),
    // within the bound. Each size and kind of dates is a test of its own, so that they
    // run side by side.
    using W = TypedStreamWriter;
    for (const int entries : {std::get<0>(GetParam())}) {
        for (const bool sameDates : {std::get<1>(GetParam())}) {
            const NodePtr root = sameDates ? nodetreearchive::oneJobOfSameDates(entries) : nodetreearchive::oneJobOf(entries);
            const QByteArray expected = DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
            for (const nodetreearchive::Sharing &sharing : nodetreearchive::sharingShapes()) {
                const bool densest = sameDates && (sharing.kinds & W::ShareDates);
                const QByteArray bytes = nodetreearchive::archiveOf(*root, DocumentValuesStore(), W::ByteOrder::Big, sharing);
                DocumentFileFormat::ReadResult out;
                QString error;
                qsizetype peak = 0;
                const bool read = DocumentArchiveDecoder::decode(bytes, out, &error,
                                                                 DocumentArchiveDecoder::Hold::DecodedValues, &peak);
                ASSERT_TRUE(read) << entries << " entries, same dates " << sameDates << ", shared " << sharing.kinds
                                  << ", " << sharing.zoneObjects << " zones: " << qPrintable(error);
                EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store), expected);
                if (!densest) {
                    EXPECT_LE(5 * peak, 4 * DocumentArchiveDecoder::memoryBound(bytes.size()))
                        << entries << " entries, same dates " << sameDates << ", shared " << sharing.kinds;
                }
            }
        }
    }
}

// Under the address and thread sanitizers the larger sizes take about as long as a test
// may: the plain run reads them. At 65,540 entries the job's list of days has just
// doubled its room: the densest documents hold the most for their size there.
std::string sharingCaseName(const testing::TestParamInfo<std::tuple<int, bool>> &param)
{
    return (std::get<1>(param.param) ? "SameDates" : "OwnDates") + std::to_string(std::get<0>(param.param));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
INSTANTIATE_TEST_SUITE_P(Entries, DocumentArchiveSharing, testing::Combine(testing::Values(5000), testing::Bool()),
                         sharingCaseName);
#else
INSTANTIATE_TEST_SUITE_P(Entries, DocumentArchiveSharing,
                         testing::Combine(testing::Values(5000, 50000, 4 * 16385, 200000), testing::Bool()),
                         sharingCaseName);
#endif

TEST(DocumentArchive, EachNodeIsChargedOnce)
{
    // One more time entry in a day that has room for it: what the read holds grows by
    // the entry's records (its node, its list and its two dates) and by its node, once.
    auto peakOf = [](int entries) {
        const QByteArray bytes = nodetreearchive::archiveOf(*nodetreearchive::oneJobOf(entries), DocumentValuesStore(),
                                                            TypedStreamWriter::ByteOrder::Big,
                                                            nodetreearchive::sharingShapes().at(1));
        DocumentFileFormat::ReadResult out;
        qsizetype peak = 0;
        EXPECT_TRUE(DocumentArchiveDecoder::decode(bytes, out, nullptr, DocumentArchiveDecoder::Hold::DecodedValues, &peak));
        EXPECT_LE(peak, DocumentArchiveDecoder::memoryBound(bytes.size()));
        return peak;
    };
    const qsizetype grown = peakOf(23) - peakOf(22);
    EXPECT_GE(grown, qsizetype(sizeof(Node)));
    EXPECT_LT(grown, 2 * qsizetype(sizeof(Node)) + 4 * qsizetype(sizeof(platform::TypedStreamObject)));
}

class DocumentArchiveWorstShapes : public testing::TestWithParam<nodetreearchive::WorstShape>
{
};

std::string worstShapeName(const testing::TestParamInfo<nodetreearchive::WorstShape> &shape);

TEST_P(DocumentArchiveWorstShapes, ReadsTheWorstShapeOfEachKindOfRecord)
{
    // For each kind of record, the valid document that takes the most memory for each
    // of its bytes, at 200,000 entries (and at 5,000, where the first MiB counts for
    // more): each opens, every node right, within the bound; what the read held beyond
    // the tree it leaves is at most four times the file. Each shape is a test of its
    // own, so that they run side by side.
    using nodetreearchive::WorstShape;
    const WorstShape shape = GetParam();
    // The allocator's own count is the measure; a sanitizer's allocator keeps another,
    // and takes about as long over the larger size as a test may.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const bool measured = false;
    const QList<int> counts = {5000};
#else
    const bool measured = true;
    const QList<int> counts = {5000, 200000};
#endif
    auto heap = [] {
        const struct mallinfo2 info = mallinfo2();
        return qsizetype(info.uordblks + info.hblkhd);
    };
    for (const int count : counts) {
        QByteArray expected;
        QByteArray bytes;
        {
            const NodePtr root = nodetreearchive::worstShape(shape, count);
            expected = DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
            bytes = nodetreearchive::archiveOf(*root, DocumentValuesStore(), TypedStreamWriter::ByteOrder::Big,
                                               nodetreearchive::worstSharing());
        }
        DocumentFileFormat::ReadResult out;
        QString error;
        qsizetype peak = 0;
        const qsizetype before = heap();
        ASSERT_TRUE(DocumentArchiveDecoder::decode(bytes, out, &error, DocumentArchiveDecoder::Hold::DecodedValues, &peak))
            << count << ": " << qPrintable(error);
        const qsizetype tree = heap() - before;
        EXPECT_LE(peak, DocumentArchiveDecoder::memoryBound(bytes.size())) << count;
        if (measured) {
            EXPECT_LE(peak - tree, 4 * bytes.size()) << count;
            std::printf("%d entries, %lld bytes: charged %.2f a byte, beyond the tree %.2f a byte\n", count,
                        qlonglong(bytes.size()), double(peak) / double(bytes.size()),
                        double(peak - tree) / double(bytes.size()));
        }
        EXPECT_EQ(DocumentFileFormat::toXmlData(*out.root, out.store), expected) << count;
    }
}

std::string worstShapeName(const testing::TestParamInfo<nodetreearchive::WorstShape> &shape)
{
    static const char *const names[] = {"ChildlessNodes", "DaysOfOneEntry", "ChainsOfOneChild", "OwnTexts"};
    return names[int(shape.param)];
}

INSTANTIATE_TEST_SUITE_P(Shapes, DocumentArchiveWorstShapes,
                         testing::Values(nodetreearchive::WorstShape::ChildlessNodes,
                                         nodetreearchive::WorstShape::DaysOfOneEntry,
                                         nodetreearchive::WorstShape::ChainsOfOneChild,
                                         nodetreearchive::WorstShape::OwnTexts),
                         worstShapeName);
