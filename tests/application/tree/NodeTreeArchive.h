#pragma once
// A node tree and its window state written as a document of the older kind (the
// platform's sequential archive, root layout, Node class version 160), through the
// test writer of the archive: what the archive decoder must read back as the same
// document. For tests and benchmarks that need older documents of any size.
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/archive/ArchivedFoundationObjects.h"
#include "tests/support/TypedStreamWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <algorithm>
#include <functional>
#include <initializer_list>

namespace nodetreearchive {

// How the platform's writer shared the objects of a document: what it wrote once and
// referred back to after (TypedStreamWriter::Share kinds), and how many zone objects
// the dates took turns with (0 for one zone object whose sharing the kinds decide).
struct Sharing
{
    unsigned kinds = testsupport::TypedStreamWriter::ShareNothing;
    int zoneObjects = 0;
};

// The shapes an archive of the platform's writer may have: nothing shared, one zone and
// one format for every date, the format alone, 300 zones and the format, and every
// object of equal content once (zones, formats, names, dates).
inline QList<Sharing> sharingShapes()
{
    using W = testsupport::TypedStreamWriter;
    return {{W::ShareNothing, 0},
            {W::ShareZones | W::ShareFormats, 0},
            {W::ShareFormats, 0},
            {W::ShareZones | W::ShareFormats, 300},
            {W::ShareZones | W::ShareFormats | W::ShareStrings | W::ShareDates | W::ShareData, 0}};
}

inline void writeDate(testsupport::TypedStreamWriter &w, const QDateTime &date, int zoneObject = 0)
{
    const qint64 seconds = date.toSecsSinceEpoch() - platform::ArchivedFoundationObjects::ReferenceDateUnixSeconds;
    const int offset = date.offsetFromUtc();
    // The zone's name as the platform wrote a fixed offset ("GMT+0100").
    const QString zone = QStringLiteral("GMT%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
    w.calendarDate(double(seconds), zone, {}, QStringLiteral("%Y-%m-%d %H:%M:%S %z"), zoneObject);
}

inline void writeStore(testsupport::TypedStreamWriter &w, const DocumentValuesStore &store)
{
    w.beginObject({{"DocumentValuesStore", 100}, {"NSObject", 0}});
    w.group("c");
    w.charValue(store.available());
    w.group("{_NSRect={_NSPoint=ff}{_NSSize=ff}}");
    const QRectF frame = store.windowFrame();
    for (qreal f : {frame.x(), frame.y(), frame.width(), frame.height()})
        w.floatValue(float(f));
    w.group("c");
    w.charValue(store.descriptVisible());
    w.group("@");
    const QList<TableColumnData> columns = store.tableColumnArray();
    w.array(columns.size(), [&](qsizetype i) {
        w.beginObject({{"TableColumnData", 0}, {"NSObject", 0}});
        w.group("f");
        w.floatValue(columns[i].width());
        w.group("@");
        w.string(columns[i].identifier());
        w.endObject();
    });
    w.endObject();
}

// A text field: none when empty, as the platform wrote a missing name.
inline void writeText(testsupport::TypedStreamWriter &w, const QString &text)
{
    w.group("@");
    if (text.isEmpty())
        w.nil();
    else
        w.string(text);
}

// The node's fields in archive order; the root's list starts with the store. With
// several zone objects, the dates take turns with them. A node of an identity written
// before is referred back to.
inline void writeNode(testsupport::TypedStreamWriter &w, const Node &node, const DocumentValuesStore *store = nullptr,
                      int zoneObjects = 0, int *turn = nullptr, const void *identity = nullptr)
{
    int ownTurn = 0;
    if (!turn)
        turn = &ownTurn;
    if (!w.beginObject({{"Node", 160}, {"NSObject", 0}}, identity))
        return;
    w.group("@");
    const qsizetype extra = store ? 1 : 0;
    w.array(node.childrenCount() + extra, [&](qsizetype i) {
        if (i < extra)
            writeStore(w, *store);
        else
            writeNode(w, *node.childAtIndex(i - extra), nullptr, zoneObjects, turn);
    });
    writeText(w, node.itemName());
    w.group("i");
    w.integer(node.type());
    w.group("@@");
    writeDate(w, node.cDate(), zoneObjects ? (*turn)++ % zoneObjects : 0);
    writeDate(w, node.lDate(), zoneObjects ? (*turn)++ % zoneObjects : 0);
    w.group("iicc");
    w.integer(node.hours());
    w.integer(node.minutes());
    w.charValue(node.active());
    w.charValue(node.executed());
    writeText(w, node.descript());
    w.group("ff");
    w.floatValue(node.turnover());
    w.floatValue(node.wage());
    w.endObject();
}

inline QByteArray archiveOf(const Node &root, const DocumentValuesStore &store,
                            testsupport::TypedStreamWriter::ByteOrder order = testsupport::TypedStreamWriter::ByteOrder::Big,
                            const Sharing &sharing = {})
{
    testsupport::TypedStreamWriter w(order);
    w.setSharing(sharing.kinds);
    w.group("@");
    writeNode(w, root, &store, sharing.zoneObjects);
    return w.data();
}

// A document of one job whose days hold `entries` time entries, four a day, at +01:00
// in whole seconds as the archive keeps them: the smallest entries a person makes (no
// name, whole sums; the days named as the platform named them, many alike).
inline NodePtr oneJobOf(int entries)
{
    const QDateTime start(QDate(2009, 1, 5), QTime(0, 0), Qt::OffsetFromUTC, 3600);
    NodePtr root = Node::create(Node::Root, start);
    NodePtr job = Node::create(Node::Job, start);
    job->setItemName(QStringLiteral("Job"));
    job->setWage(40.f);
    root->addChild(job);
    static const int spans[4][2] = {{540, 630}, {660, 735}, {780, 900}, {930, 1065}};
    NodePtr day;
    for (int i = 0; i < entries; ++i) {
        const QDateTime dayStart = start.addDays(i / 4);
        if (i % 4 == 0) {
            day = Node::create(Node::Day, dayStart);
            day->setItemNameByType();
            job->addChild(day);
        }
        NodePtr entry = Node::create(Node::TimeEntry, dayStart.addSecs(spans[i % 4][0] * 60));
        entry->setlDate(dayStart.addSecs(spans[i % 4][1] * 60));
        entry->setWage(job->wage());
        day->addChild(entry);
    }
    root->recalcWorkTimeForTree();
    return root;
}

// A node of the type created and last changed at the same two moments as every other
// node it makes (09:00 and 10:30 on 5 January 2009, at +01:00).
inline NodePtr sameMomentsNode(int type)
{
    const QDateTime start(QDate(2009, 1, 5), QTime(9, 0), Qt::OffsetFromUTC, 3600);
    NodePtr node = Node::create(type, start);
    node->setlDate(start.addSecs(90 * 60));
    return node;
}

// The densest document the platform's writer made: `entries` time entries in days of
// four, every node of it (root, job, days, entries) created and last changed at the
// same two moments, so that with the dates shared every date after the first two is
// a back-reference of one byte (about 36 bytes an entry); the days named alike.
inline NodePtr oneJobOfSameDates(int entries)
{
    const auto make = sameMomentsNode;
    NodePtr root = make(Node::Root);
    NodePtr job = make(Node::Job);
    job->setItemName(QStringLiteral("Job"));
    job->setWage(40.f);
    root->addChild(job);
    NodePtr day;
    for (int i = 0; i < entries; ++i) {
        if (i % 4 == 0) {
            day = make(Node::Day);
            day->setItemName(QStringLiteral("Day"));
            job->addChild(day);
        }
        NodePtr entry = make(Node::TimeEntry);
        entry->setWage(job->wage());
        day->addChild(entry);
    }
    root->recalcWorkTimeForTree();
    return root;
}

// The worst shapes of a valid document for the memory its read takes for each of its
// bytes, one for each kind of record (DocumentFileFormat::ArchiveMemoryPerByte), written
// with every date, zone and format shared and every name an object of its own
// (worstSharing()), each of `count` time entries or nodes: nodes without children (days
// of one job), days of one time entry each, chains of nodes of one child each (a group
// holding a job holding a day holding a time entry), and nodes holding a name and a
// description of one character each (jobs).
enum class WorstShape { ChildlessNodes, DaysOfOneEntry, ChainsOfOneChild, OwnTexts };

inline Sharing worstSharing()
{
    using W = testsupport::TypedStreamWriter;
    return {W::ShareZones | W::ShareFormats | W::ShareDates | W::ShareData, 0};
}

inline NodePtr worstShape(WorstShape shape, int count)
{
    const auto make = sameMomentsNode;
    NodePtr root = make(Node::Root);
    NodePtr job = make(Node::Job);
    job->setWage(40.f);
    if (shape == WorstShape::ChildlessNodes || shape == WorstShape::DaysOfOneEntry)
        root->addChild(job);
    // Nodes of these types under `parent`, each the only child of the one before.
    auto chain = [&](const NodePtr &parent, std::initializer_list<int> types) {
        NodePtr at = parent;
        for (const int type : types) {
            NodePtr node = make(type);
            at->addChild(node);
            at = node;
        }
    };
    for (int i = 0; i < count; ++i) {
        switch (shape) {
        case WorstShape::ChildlessNodes:
            chain(job, {Node::Day});
            break;
        case WorstShape::DaysOfOneEntry:
            chain(job, {Node::Day, Node::TimeEntry});
            break;
        case WorstShape::ChainsOfOneChild:
            chain(root, {Node::Group, Node::Job, Node::Day, Node::TimeEntry});
            break;
        case WorstShape::OwnTexts: {
            // One printable character each, never one of the last few read.
            NodePtr other = make(Node::Job);
            other->setItemName(QString(QChar(0x21 + i % 94)));
            other->setDescript(QString(QChar(0x21 + (i + 47) % 94)));
            root->addChild(other);
            break;
        }
        }
    }
    root->recalcWorkTimeForTree();
    return root;
}

// No document: a root node whose list holds one time entry and then refers back to
// it `references` times, two bytes each, as no writer makes a stream.
inline QByteArray referringBack(qsizetype references)
{
    static const char identity = 0;
    const NodePtr entry = Node::create(Node::TimeEntry, QDateTime(QDate(2009, 1, 5), QTime(9, 0), Qt::UTC));
    testsupport::TypedStreamWriter w(testsupport::TypedStreamWriter::ByteOrder::Big);
    w.group("@");
    w.beginObject({{"Node", 160}, {"NSObject", 0}});
    w.group("@");
    w.array(references + 1, [&](qsizetype) { writeNode(w, *entry, nullptr, 0, nullptr, &identity); });
    w.endObject();
    return w.data();
}

// Streams no writer makes, each of about `bytes` bytes, that expand into far more
// memory than their size when held: what a reader must refuse as too large (the
// document's reader refuses the lists of other objects than nodes where their first
// item begins).
enum class Expanding {
    NumberGroups, // a node holding one small number after another, each its own group
    NumberArray,  // a node holding one array of that many numbers
    TinyObjects,  // a list of objects of no fields, four bytes each
    DeepNesting,  // a list of lists, each 150 lists deep
    LongStrings,  // a list of strings of a MiB each (no document: refused once read)
};

inline QByteArray expanding(Expanding form, qsizetype bytes)
{
    testsupport::TypedStreamWriter w(testsupport::TypedStreamWriter::ByteOrder::Big);
    w.group("@");
    switch (form) {
    case Expanding::NumberGroups:
        w.beginObject({{"Node", 160}, {"NSObject", 0}});
        while (w.data().size() < bytes) {
            w.group("i");
            w.integer(7);
        }
        w.endObject();
        break;
    case Expanding::NumberArray: {
        const qsizetype count = bytes;
        w.beginObject({{"Node", 160}, {"NSObject", 0}});
        w.group(QByteArray("[") + QByteArray::number(count) + "i]");
        for (qsizetype i = 0; i < count; ++i)
            w.integer(7);
        w.endObject();
        break;
    }
    case Expanding::TinyObjects:
        w.array(bytes / 4, [&](qsizetype) {
            w.beginObject({{"NSObject", 0}});
            w.endObject();
        });
        break;
    case Expanding::DeepNesting: {
        constexpr int Depth = 150;
        const std::function<void(int)> nest = [&](int depth) {
            if (depth == 0) {
                w.nil();
                return;
            }
            w.array(1, [&](qsizetype) { nest(depth - 1); });
        };
        w.array(bytes / (6 * Depth), [&](qsizetype) { nest(Depth); });
        break;
    }
    case Expanding::LongStrings: {
        const QByteArray text(1 << 20, 'x');
        w.array(std::max<qsizetype>(1, bytes >> 20), [&](qsizetype) {
            w.beginObject({{"NSString", 1}, {"NSObject", 0}});
            w.group("+");
            w.byteString(text);
            w.endObject();
        });
        break;
    }
    }
    return w.data();
}

} // namespace nodetreearchive
