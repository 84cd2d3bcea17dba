// The node tree: carry and turnover arithmetic, recomputation up the tree, names,
// tree queries, guarded indexes and undoable edits reported to the document root.
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/tree/NodeDelegate.h"
#include "application/tree/NodeExtension.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/UndoManager.h"

#include <QRandomGenerator>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace {

QDateTime at(const char *text)
{
    auto d = platform::CalendarDate::fromDescription(QString::fromLatin1(text));
    EXPECT_TRUE(d.has_value()) << text;
    return d.value_or(QDateTime());
}

NodePtr make(int type, const QString &name, const NodePtr &parent = NodePtr())
{
    NodePtr n = Node::create(type, at("2009-03-14 09:00:00 +0100"));
    n->setItemName(name);
    if (parent)
        parent->addChild(n);
    return n;
}

NodePtr entry(const NodePtr &day, const char *from, const char *to)
{
    NodePtr t = make(Node::TimeEntry, QString(), day);
    t->setcDate(at(from));
    t->setlDate(at(to));
    t->setWage(day->parent() ? day->parent()->wage() : 0.0f);
    t->refreshWorkTime();
    return t;
}

struct HM
{
    int h;
    int m;
};

HM carry(int h, int m, int dh, int dm)
{
    addTimeWithCarry(&h, &m, dh, dm);
    return {h, m};
}

class RecordingDelegate : public NodeDelegate
{
public:
    RecordingDelegate() { undo.setGroupsByEvent(false); }
    platform::UndoManager *undoManagerForNode(Node &) override { return &undo; }
    void attributesChangedOfNode(Node &node) override { changed.append(&node); }

    platform::UndoManager undo;
    QList<Node *> changed;
};

} // namespace

TEST(NodeArithmetic, CarryRule)
{
    HM r = carry(0, 50, 0, 20);
    EXPECT_EQ(r.h, 1);
    EXPECT_EQ(r.m, 10);
    int h = 0, m = 0;
    for (int i = 0; i < 3; ++i)
        addTimeWithCarry(&h, &m, 0, 40);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(m, 0);
    // Truncation toward zero keeps a negative remainder.
    r = carry(0, 0, 0, -70);
    EXPECT_EQ(r.h, -1);
    EXPECT_EQ(r.m, -10);
    // Huge sums from a file wrap instead of overflowing.
    r = carry(INT_MAX, 59, 0, 1);
    EXPECT_EQ(r.h, INT_MIN);
    EXPECT_EQ(r.m, 0);
}

TEST(NodeArithmetic, WorkTimeOfTimeEntries)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr a = entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 10:30:59 +0100");
    EXPECT_EQ(a->hours(), 1);
    EXPECT_EQ(a->minutes(), 30);
    NodePtr b = entry(day, "2009-03-14 23:50:00 +0100", "2009-03-15 00:20:00 +0100");
    EXPECT_EQ(b->hours(), 0);
    EXPECT_EQ(b->minutes(), 30);
    NodePtr c = entry(day, "2009-03-14 08:00:00 +0100", "2009-03-16 08:00:00 +0100");
    EXPECT_EQ(c->hours(), 48);
    EXPECT_EQ(c->minutes(), 0);
    // The same moment written in another offset is no time at all.
    NodePtr d = entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 08:00:00 +0000");
    EXPECT_EQ(d->hours(), 0);
    EXPECT_EQ(d->minutes(), 0);
}

TEST(NodeArithmetic, Turnover)
{
    EXPECT_EQ(Node::turnoverFor(1, 30, 60.0f), 90.0f);
    EXPECT_EQ(Node::turnoverFor(1, 30, 0.0f), 0.0f);
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    job->setWage(60.0f);
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t = entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 10:30:00 +0100");
    EXPECT_EQ(t->turnover(), 90.0f);
    t->recalcWorkTime();
    EXPECT_EQ(day->turnover(), 90.0f);
    EXPECT_EQ(job->turnover(), 90.0f);
}

TEST(NodeArithmetic, GroupSumsJobsOfDifferentWages)
{
    NodePtr root = make(Node::Root, QString());
    NodePtr group = make(Node::Group, QStringLiteral("G"), root);
    NodePtr j1 = make(Node::Job, QStringLiteral("J1"), group);
    NodePtr j2 = make(Node::Job, QStringLiteral("J2"), group);
    j1->setWage(10.0f);
    j2->setWage(100.0f);
    NodePtr d1 = make(Node::Day, QString(), j1);
    NodePtr d2 = make(Node::Day, QString(), j2);
    entry(d1, "2009-03-14 09:00:00 +0100", "2009-03-14 09:40:00 +0100")->recalcWorkTime();
    entry(d2, "2009-03-14 09:00:00 +0100", "2009-03-14 10:50:00 +0100")->recalcWorkTime();
    EXPECT_EQ(group->hours(), 2);
    EXPECT_EQ(group->minutes(), 30);
    EXPECT_EQ(group->turnover(), j1->turnover() + j2->turnover());
    EXPECT_EQ(j2->turnover(), Node::turnoverFor(1, 50, 100.0f));
}

// The turnover a person reads, to the cent: 200 jobs at 20,833.33 for an hour each
// make 4,166,666.00 in their group and at the root, whatever turnover the root holds
// (a root read from a file keeps the one written); a group's or a job's turnover that
// is not the sum or the time at the wage (as a file may hold it) is read as it stands.
TEST(NodeArithmetic, PreciseTurnoverIsWhatAPersonReads)
{
    const auto cents = [](long double value) { return std::llround(value * 100.0L); };
    NodePtr root = make(Node::Root, QString());
    NodePtr group = make(Node::Group, QStringLiteral("Staff"), root);
    NodePtr last;
    for (int i = 0; i < 200; ++i) {
        last = make(Node::Job, QStringLiteral("J"), group);
        last->setWage(20833.33f);
        entry(make(Node::Day, QString(), last), "2009-03-14 09:00:00 +0100", "2009-03-14 10:00:00 +0100")->recalcWorkTime();
    }
    EXPECT_NE(cents(group->turnover()), 416666600) << "the stored sum is single precision";
    EXPECT_EQ(cents(last->preciseTurnover()), 2083333);
    EXPECT_EQ(cents(last->childAtIndex(0)->preciseTurnover()), 2083333);
    EXPECT_EQ(cents(group->preciseTurnover()), 416666600);
    for (const float held : {0.0f, 42.0f, group->turnover()}) {
        root->setTurnover(held);
        EXPECT_EQ(cents(root->preciseTurnover()), 416666600) << "the root holding " << held;
    }
    NodePtr other = make(Node::Job, QStringLiteral("K"), root);
    other->setWage(10.0f);
    other->setHours(1);
    other->setTurnover(12.5f);
    EXPECT_EQ(cents(other->preciseTurnover()), 1250);
    EXPECT_EQ(cents(root->preciseTurnover()), 416667850);
    group->setTurnover(100.0f);
    EXPECT_EQ(cents(group->preciseTurnover()), 10000);
    EXPECT_EQ(cents(root->preciseTurnover()), 11250);
}

TEST(NodeArithmetic, TimeEntryChangeClimbsThroughGroupsButNotTheRoot)
{
    NodePtr root = make(Node::Root, QString());
    root->setHours(7);
    NodePtr a = make(Node::Group, QStringLiteral("A"), root);
    NodePtr b = make(Node::Group, QStringLiteral("B"), a);
    NodePtr job = make(Node::Job, QStringLiteral("J"), b);
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t = entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 11:15:00 +0100");
    t->recalcWorkTime();
    for (const NodePtr &n : {day, job, b, a}) {
        EXPECT_EQ(n->hours(), 2) << qPrintable(n->itemName());
        EXPECT_EQ(n->minutes(), 15);
    }
    EXPECT_EQ(root->hours(), 7);

    // From a time entry the total recomputes its job; nothing climbs from an entry.
    t->setlDate(at("2009-03-14 09:30:00 +0100"));
    t->refreshWorkTime();
    t->recalcTotalWorkTime();
    EXPECT_EQ(job->minutes(), 30);
    EXPECT_EQ(a->hours(), 2);
    // From the job it climbs through both groups.
    job->recalcTotalWorkTime();
    EXPECT_EQ(a->hours(), 0);
    EXPECT_EQ(a->minutes(), 30);
    EXPECT_EQ(b->minutes(), 30);
    EXPECT_EQ(root->hours(), 7);
}

// The tick's end moves on and never back: an earlier moment leaves the end and the
// time as they are.
TEST(NodeArithmetic, RefreshlDateMovesTheEndOnNeverBack)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t = entry(day, "2009-03-14 12:00:00 +0100", "2009-03-14 12:00:00 +0100");
    t->refreshlDate(at("2009-03-14 12:45:10 +0100"));
    EXPECT_EQ(t->lDate(), at("2009-03-14 12:45:10 +0100"));
    EXPECT_EQ(t->minutes(), 45);
    EXPECT_EQ(job->minutes(), 45);
    for (const char *earlier : {"2009-03-14 12:25:00 +0100", "2009-03-14 11:40:00 +0100"}) {
        t->refreshlDate(at(earlier));
        EXPECT_EQ(t->lDate(), at("2009-03-14 12:45:10 +0100"));
        EXPECT_EQ(t->minutes(), 45);
        EXPECT_EQ(job->minutes(), 45);
    }
}

TEST(NodeNames, ItemNameByType)
{
    NodePtr day = make(Node::Day, QString());
    day->setcDate(at("2009-03-14 09:05:00 +0100"));
    day->setItemNameByType();
    EXPECT_EQ(day->itemName(), QStringLiteral("Saturday 14.03.2009"));
    NodePtr t = make(Node::TimeEntry, QString());
    t->setcDate(at("2009-03-14 09:05:00 +0100"));
    t->setlDate(at("2009-03-14 10:30:59 +0100"));
    t->setItemNameByType();
    EXPECT_EQ(t->itemName(), QStringLiteral("09:05:00 ... 10:30:59"));
    EXPECT_EQ(t->getcDateAsString(), QStringLiteral("09:05"));
    EXPECT_EQ(t->getlDateAsString(), QStringLiteral("10:30"));
    NodePtr job = make(Node::Job, QStringLiteral("Keep"));
    job->setItemNameByType();
    EXPECT_EQ(job->itemName(), QStringLiteral("Keep"));
}

TEST(NodeNames, TypeNamesDescriptionAndWorkTime)
{
    NodePtr n = make(Node::Job, QStringLiteral("Write"));
    EXPECT_EQ(n->typeName(), QStringLiteral("Job"));
    n->setType(Node::Root);
    EXPECT_EQ(n->typeName(), QStringLiteral("Document"));
    n->setType(9);
    EXPECT_TRUE(n->typeName().isNull());
    n->setType(Node::Group);
    n->setActive(true);
    EXPECT_EQ(n->description(), QStringLiteral("Node name: Write, type: 3, Active: 1"));
    n->setItemName(QStringLiteral("50%2 off %1 %3"));
    EXPECT_EQ(n->description(), QStringLiteral("Node name: 50%2 off %1 %3, type: 3, Active: 1"));
    n->setItemName(QStringLiteral("Write"));
    n->setHours(1);
    n->setMinutes(5);
    EXPECT_EQ(n->workTimeAsString(), QStringLiteral("  1:05 "));
}

TEST(NodeNames, ItemNameWithPath)
{
    NodePtr root = make(Node::Root, QStringLiteral("Doc"));
    NodePtr a = make(Node::Group, QStringLiteral("A"), root);
    NodePtr b = make(Node::Group, QStringLiteral("B"), a);
    NodePtr j = make(Node::Job, QStringLiteral("J"), b);
    NodePtr top = make(Node::Job, QStringLiteral("Top"), root);
    EXPECT_EQ(j->itemNameWithPath(), QStringLiteral("A/B/J"));
    EXPECT_EQ(top->itemNameWithPath(), QStringLiteral("Top"));
}

TEST(NodeTree, ActiveNodeIsFoundInsideInactiveGroupsInChildOrder)
{
    NodePtr root = make(Node::Root, QString());
    NodePtr g = make(Node::Group, QStringLiteral("G"), root);
    NodePtr inner = make(Node::Job, QStringLiteral("inner"), g);
    NodePtr later = make(Node::Job, QStringLiteral("later"), root);
    later->setActive(true);
    inner->setActive(true);
    EXPECT_EQ(root->getActiveNode(), inner);
    inner->setActive(false);
    EXPECT_EQ(root->getActiveNode(), later);
    later->setActive(false);
    EXPECT_EQ(root->getActiveNode(), nullptr);
}

TEST(NodeTree, MinimumNodeCover)
{
    NodePtr root = make(Node::Root, QString());
    NodePtr job = make(Node::Job, QStringLiteral("J"), root);
    NodePtr sibling = make(Node::Job, QStringLiteral("S"), root);
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t1 = make(Node::TimeEntry, QString(), day);
    NodePtr t2 = make(Node::TimeEntry, QString(), day);
    EXPECT_EQ(Node::minimumNodeCoverFromNodesInArray({job, t1, t2}), QList<NodePtr>{job});
    // An entry listed before its job is still covered by the job, although the day
    // between them is not selected.
    EXPECT_EQ(Node::minimumNodeCoverFromNodesInArray({t1, job, t2}), QList<NodePtr>{job});
    EXPECT_EQ(Node::minimumNodeCoverFromNodesInArray({t1, sibling, t2}), (QList<NodePtr>{t1, sibling, t2}));
    EXPECT_EQ(Node::minimumNodeCoverFromNodesInArray({sibling, job}), (QList<NodePtr>{sibling, job}));
    // An entry whose day is selected climbs to the day.
    EXPECT_EQ(Node::minimumNodeCoverFromNodesInArray({t2, day, sibling, t2}), (QList<NodePtr>{day, sibling}));
    EXPECT_TRUE(Node::minimumNodeCoverFromNodesInArray({}).isEmpty());
}

// On seeded random trees, with lists in the order shown (as a selection gives them), in
// any order, with repeats and null entries: each node is replaced by its topmost
// ancestor in the list, in the order these are first reached, each once.
TEST(NodeTree, MinimumNodeCoverOfRandomListsIsEachNodesTopmostListedAncestor)
{
    const quint32 seed = 20261210;
    QRandomGenerator random(seed);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        NodePtr root = make(Node::Root, QString());
        QList<NodePtr> tree;
        const int count = 1 + int(random.bounded(40));
        for (int i = 0; i < count; ++i) {
            const NodePtr parent = tree.isEmpty() || random.bounded(4) == 0 ? root : tree.at(random.bounded(int(tree.size())));
            tree << make(Node::Group, QString::number(i), parent);
        }
        // The tree in the order shown: each node before the nodes below it.
        QList<NodePtr> shownOrder;
        const std::function<void(const NodePtr &)> walk = [&](const NodePtr &node) {
            for (const NodePtr &child : node->children()) {
                shownOrder << child;
                walk(child);
            }
        };
        walk(root);
        QList<NodePtr> list;
        const bool inShownOrder = random.bounded(2) == 0;
        for (const NodePtr &node : inShownOrder ? shownOrder : tree) {
            if (random.bounded(3) == 0)
                list << node;
        }
        if (!inShownOrder) {
            for (int i = 0; i < int(random.bounded(4)); ++i)
                list << (tree.isEmpty() ? NodePtr() : tree.at(random.bounded(int(tree.size()))));
            list << NodePtr();
            std::shuffle(list.begin(), list.end(), random);
        }
        QList<NodePtr> expected;
        for (const NodePtr &node : list) {
            if (!node)
                continue;
            NodePtr top = node;
            for (Node *above = node->parent(); above; above = above->parent()) {
                for (const NodePtr &listed : list)
                    if (listed.get() == above)
                        top = listed;
            }
            if (!expected.contains(top))
                expected << top;
        }
        ASSERT_EQ(Node::minimumNodeCoverFromNodesInArray(list), expected) << (inShownOrder ? "in the order shown" : "in any order");
    }
}

TEST(NodeTree, InsertIndexKeepsEqualDatesInArrivalOrder)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr d1 = make(Node::Day, QString(), job);
    d1->setcDate(at("2009-03-13 09:00:00 +0100"));
    NodePtr d2 = make(Node::Day, QString(), job);
    d2->setcDate(at("2009-03-15 09:00:00 +0100"));
    NodePtr same = make(Node::Day, QString());
    same->setcDate(at("2009-03-13 09:00:00 +0100"));
    EXPECT_EQ(job->insertIndexForChild(*same), 1);
    NodePtr last = make(Node::Day, QString());
    last->setcDate(at("2009-04-01 09:00:00 +0100"));
    EXPECT_EQ(job->insertIndexForChild(*last), 2);
    NodePtr first = make(Node::Day, QString());
    first->setcDate(at("2009-03-13 08:00:00 +0000")); // 09:00 +0100: not later
    EXPECT_EQ(job->insertIndexForChild(*first), 1);
}

TEST(NodeTree, QueriesUpAndDownTheTree)
{
    NodePtr root = make(Node::Root, QString());
    NodePtr g = make(Node::Group, QStringLiteral("G"), root);
    NodePtr job = make(Node::Job, QStringLiteral("J"), g);
    NodePtr day = make(Node::Day, QString(), job);
    day->setcDate(at("2009-03-14 23:30:00 +0100"));
    NodePtr t = make(Node::TimeEntry, QString(), day);

    EXPECT_EQ(t->masterNode(), job.get());
    EXPECT_EQ(g->masterNode(), root.get());
    EXPECT_EQ(root->masterNode(), root.get());
    EXPECT_EQ(t->getRootObject(), job.get());
    EXPECT_EQ(g->getRootObject(), g.get());
    NodePtr loose = make(Node::Day, QString());
    EXPECT_EQ(loose->masterNode(), nullptr);
    EXPECT_EQ(loose->getRootObject(), nullptr);

    EXPECT_TRUE(t->isDescendantOfNode(g.get()));
    EXPECT_TRUE(t->isDescendantOfNode(t.get()));
    EXPECT_FALSE(g->isDescendantOfNode(t.get()));
    EXPECT_FALSE(t->isDescendantOfNode(nullptr));
    EXPECT_TRUE(t->isDescendantOfNodeInArray({loose, job}));

    EXPECT_TRUE(root->nodeIsMemberOfTree(job.get()));
    EXPECT_FALSE(root->nodeIsMemberOfTree(day.get())); // jobs are not searched

    QList<NodePtr> jobs;
    NodePtr top = make(Node::Job, QStringLiteral("Top"), root);
    root->fillArrayWithJobNodes(jobs);
    EXPECT_EQ(jobs, (QList<NodePtr>{job, top}));

    // The day is looked up by calendar day in each date's own offset.
    EXPECT_EQ(job->getDayNode(at("2009-03-14 01:00:00 +0100")), day);
    EXPECT_EQ(job->getDayNode(at("2009-03-14 23:30:00 -0500")), day);
    EXPECT_EQ(job->getDayNode(at("2009-03-15 00:10:00 +0100")), nullptr);
    platform::Clock::setNow(at("2009-03-14 10:00:00 +0100"));
    EXPECT_EQ(job->getDayNode(), day);
    platform::Clock::useSystemClock();
}

TEST(NodeTree, ExecutedAndWageForTrees)
{
    NodePtr root = make(Node::Root, QString());
    NodePtr a = make(Node::Group, QStringLiteral("A"), root);
    NodePtr b = make(Node::Group, QStringLiteral("B"), a);
    NodePtr job = make(Node::Job, QStringLiteral("J"), b);
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t = entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 10:00:00 +0100");

    job->setExecutedForUpTree(true);
    EXPECT_TRUE(b->executed());
    EXPECT_TRUE(a->executed());
    EXPECT_FALSE(root->executed());
    EXPECT_FALSE(job->executed());
    t->setExecutedForUpTree(false); // its parent is a day: nothing
    EXPECT_TRUE(a->executed());

    a->setExecutedForTree(true);
    EXPECT_TRUE(t->executed());
    EXPECT_TRUE(job->executed());

    job->setWageForTree(30.0f);
    EXPECT_EQ(t->wage(), 30.0f);
    EXPECT_EQ(t->turnover(), 30.0f); // recomputed by setWage
    EXPECT_EQ(job->wage(), 0.0f);
}

TEST(NodeTree, ChildListOperationsAndParents)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr d1 = make(Node::Day, QStringLiteral("1"));
    NodePtr d2 = make(Node::Day, QStringLiteral("2"));
    NodePtr d3 = make(Node::Day, QStringLiteral("3"));
    job->addChild(d3);
    job->addChild(d1, 0);
    job->insertChildren({d2}, 1);
    EXPECT_EQ(job->childEnumerator(), (QList<NodePtr>{d1, d2, d3}));
    for (const NodePtr &d : {d1, d2, d3})
        EXPECT_EQ(d->parent(), job.get());
    EXPECT_EQ(job->indexOfChild(d2.get()), 1);
    EXPECT_TRUE(job->expandable());
    job->delChild(d2);
    EXPECT_EQ(job->childrenCount(), 2);
    EXPECT_EQ(job->indexOfChild(d2.get()), -1);
    EXPECT_EQ(d2->parent(), nullptr); // removal clears the link
    EXPECT_EQ(job->indexOfChild(d3.get()), 1);

    // A node in the list twice: found at its first place, removed from both.
    job->addChild(d1);
    EXPECT_EQ(job->indexOfChild(d1.get()), 0);
    EXPECT_EQ(job->indexOfChild(d3.get()), 1);
    job->delChild(d1);
    EXPECT_EQ(job->childEnumerator(), QList<NodePtr>{d3});
    EXPECT_EQ(d1->parent(), nullptr);

    // A child that outlives its parent keeps no link to it.
    job.reset();
    EXPECT_EQ(d3->parent(), nullptr);
}

TEST(NodeTree, IndexesOutsideTheListRaiseRangeException)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr day = make(Node::Day, QString(), job);
    auto expectRange = [](auto &&call) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const platform::Exception &e) {
            EXPECT_EQ(e.name(), platform::Exception::RangeException);
        }
    };
    expectRange([&] { job->childAtIndex(1); });
    expectRange([&] { job->childAtIndex(-1); });
    expectRange([&] { job->addChild(make(Node::Day, QString()), 2); });
    expectRange([&] { job->addChild(make(Node::Day, QString()), -1); });
    expectRange([&] { job->insertChildren({make(Node::Day, QString())}, 5); });
    EXPECT_EQ(job->childrenCount(), 1);
    EXPECT_NO_THROW(job->addChild(make(Node::Day, QString()), 1));
    EXPECT_EQ(job->childrenCount(), 2);
}

// Children taken out at random indexes in one pass end as removing them one at a time
// leaves the list; the delegate hears of each run of neighbours once, with the list as
// it stands; putting them back at the same indexes gives the list back, with the links
// and positions. Seeded.
TEST(NodeTree, ChildrenTakenOutAtIndexesAndPutBackKeepTheirPlaces)
{
    struct RunDelegate : NodeDelegate
    {
        void nodeWillRemoveEntries(Node &node, qsizetype index, qsizetype count) override
        {
            ASSERT_LE(index + count, node.childrenCount());
            runs.append({index, count});
            countBefore = node.childrenCount();
        }
        void nodeDidRemoveEntries(Node &node, qsizetype, qsizetype count) override
        {
            EXPECT_EQ(node.childrenCount(), countBefore - count);
            ++done;
        }
        QList<std::pair<qsizetype, qsizetype>> runs;
        qsizetype countBefore = 0;
        int done = 0;
    };
    QRandomGenerator random(93);
    for (int round = 0; round < 200; ++round) {
        NodePtr root = Node::create(Node::Root);
        RunDelegate delegate;
        root->setDelegate(&delegate);
        NodePtr job = make(Node::Job, QStringLiteral("J"), root);
        const int size = random.bounded(40);
        QList<NodePtr> days;
        for (int i = 0; i < size; ++i)
            days.append(make(Node::Day, QString::number(i), job));
        QList<qsizetype> indexes;
        for (qsizetype i = 0; i < size; ++i)
            if (random.bounded(3) != 0)
                indexes.append(i);
        QList<NodePtr> expected = days;
        QList<NodePtr> gone;
        for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
            gone.prepend(expected.takeAt(*it));
        EXPECT_EQ(job->removeChildrenAt(indexes), gone);
        ASSERT_EQ(job->childEnumerator(), expected);
        for (qsizetype i = 0; i < expected.size(); ++i)
            EXPECT_EQ(job->indexOfChild(expected.at(i).get()), i);
        for (const NodePtr &day : gone)
            EXPECT_EQ(day->parent(), nullptr);
        qsizetype runs = 0;
        for (qsizetype i = 0; i < indexes.size(); ++i)
            runs += i == 0 || indexes.at(i - 1) + 1 != indexes.at(i);
        EXPECT_EQ(delegate.runs.size(), runs);
        EXPECT_EQ(delegate.done, runs);
        qsizetype told = 0;
        for (const auto &run : std::as_const(delegate.runs))
            told += run.second;
        EXPECT_EQ(told, indexes.size());

        job->insertChildrenAt(gone, indexes);
        ASSERT_EQ(job->childEnumerator(), days);
        for (qsizetype i = 0; i < days.size(); ++i) {
            EXPECT_EQ(days.at(i)->parent(), job.get());
            EXPECT_EQ(job->indexOfChild(days.at(i).get()), i);
        }
        root->setDelegate(nullptr);
    }
    // Indexes out of order, twice, or past the list are refused whole.
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    for (int i = 0; i < 3; ++i)
        make(Node::Day, QString::number(i), job);
    for (const QList<qsizetype> &wrong : {QList<qsizetype>{1, 0}, QList<qsizetype>{1, 1}, QList<qsizetype>{0, 3}}) {
        EXPECT_THROW(job->removeChildrenAt(wrong), platform::Exception);
        EXPECT_EQ(job->childrenCount(), 3);
    }
    EXPECT_THROW(job->insertChildrenAt({make(Node::Day, QString())}, {5}), platform::Exception);
    EXPECT_EQ(job->childrenCount(), 3);
}

// An empty slot among the children (the tree keeps what it is given) is counted, skipped
// by the sums, and goes with its parent without harm.
TEST(NodeTree, AnEmptySlotAmongTheChildrenIsBorne)
{
    NodePtr day;
    {
        NodePtr job = make(Node::Job, QStringLiteral("J"));
        day = make(Node::Day, QString(), job);
        entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 10:00:00 +0100");
        job->addChild(NodePtr());
        day->addChild(NodePtr(), 0);
        EXPECT_EQ(job->childrenCount(), 2);
        EXPECT_EQ(day->childrenCount(), 2);
        job->recalcWorkTimeForTree();
        EXPECT_EQ(job->hours(), 1);
        EXPECT_EQ(day->parent(), job.get());
        // Filled from a job with as many children: the slot stays empty, the rest is filled.
        NodePtr other = make(Node::Job, QStringLiteral("Other"));
        make(Node::Day, QString(), other);
        make(Node::Day, QString(), other);
        job->fillNodesWithValuesFrom(*other);
        EXPECT_EQ(job->itemName(), QStringLiteral("Other"));
        EXPECT_EQ(job->childAtIndex(1), nullptr);
    }
    // The job is gone: the day it held no longer names it.
    EXPECT_EQ(day->parent(), nullptr);
    EXPECT_EQ(day->childrenCount(), 2);
}

TEST(NodeTree, FillNodesWithValuesFrom)
{
    NodePtr job = make(Node::Job, QStringLiteral("J"));
    NodePtr day = make(Node::Day, QString(), job);
    entry(day, "2009-03-14 09:00:00 +0100", "2009-03-14 10:00:00 +0100");

    NodePtr copy = make(Node::Job, QStringLiteral("copy"));
    copy->setWage(50.0f);
    copy->setExecuted(true);
    copy->setDescript(QStringLiteral("text"));
    copy->setColorLabel(3);
    NodePtr copyDay = make(Node::Day, QString(), copy);
    copyDay->setWage(50.0f); // the day passes its wage on to its entries
    NodePtr copyEntry = make(Node::TimeEntry, QString(), copyDay);
    copyEntry->setcDate(at("2009-03-14 09:00:00 +0100"));
    copyEntry->setlDate(at("2009-03-14 11:00:00 +0100"));

    NodePtr group = make(Node::Group, QStringLiteral("G"));
    job->fillNodesWithValuesFrom(*group); // different types: nothing
    EXPECT_EQ(job->itemName(), QStringLiteral("J"));

    job->fillNodesWithValuesFrom(*copy);
    EXPECT_EQ(job->itemName(), QStringLiteral("copy"));
    EXPECT_TRUE(job->executed());
    EXPECT_EQ(job->descript(), QStringLiteral("text"));
    EXPECT_EQ(job->colorLabel(), 0); // not copied
    EXPECT_EQ(job->wage(), 0.0f);     // the wage goes below the job
    const NodePtr t = day->childAtIndex(0);
    EXPECT_EQ(t->wage(), 50.0f);
    EXPECT_EQ(t->hours(), 2);
    EXPECT_EQ(job->hours(), 2);
    EXPECT_EQ(day->hours(), 2);

    // A group filled from one of a different shape keeps its own children and sums
    // them, whatever sums the other carried.
    NodePtr team = make(Node::Group, QStringLiteral("Team"));
    NodePtr first = make(Node::Job, QStringLiteral("First"), team);
    entry(make(Node::Day, QString(), first), "2009-03-14 09:00:00 +0100", "2009-03-14 10:00:00 +0100");
    team->recalcWorkTimeForTree();
    const NodePtr before = team->clone();
    NodePtr second = make(Node::Job, QStringLiteral("Second"), team);
    entry(make(Node::Day, QString(), second), "2009-03-14 11:00:00 +0100", "2009-03-14 13:30:00 +0100");
    team->recalcWorkTimeForTree();
    ASSERT_EQ(team->hours(), 3);
    ASSERT_EQ(before->hours(), 1);
    before->setItemName(QStringLiteral("Renamed"));
    team->fillNodesWithValuesFrom(*before);
    EXPECT_EQ(team->itemName(), QStringLiteral("Renamed"));
    EXPECT_EQ(team->childrenCount(), 2);
    EXPECT_EQ(team->hours(), 3);
    EXPECT_EQ(team->minutes(), 30);
}

TEST(NodeObserving, WageIsAnnouncedAndTextIsReadForItsNumber)
{
    NodePtr t = make(Node::TimeEntry, QString());
    t->setcDate(at("2009-03-14 09:00:00 +0100"));
    t->setlDate(at("2009-03-14 10:30:00 +0100"));
    QList<bool> notes;
    t->addObserver(QStringLiteral("wage"), [&](platform::KeyValueObservable &, const QString &, bool prior) {
        notes.append(prior);
    });
    t->setWage(QVariant(QStringLiteral(" 12.5 per hour")));
    EXPECT_EQ(t->wage(), 12.5f);
    EXPECT_EQ(notes, (QList<bool>{true, false}));
    EXPECT_EQ(t->turnover(), 18.75f);
    t->setValueForKey(QVariant(20), QStringLiteral("wage"));
    EXPECT_EQ(t->wage(), 20.0f);
    EXPECT_EQ(notes.size(), 4);
    EXPECT_EQ(t->valueForKey(QStringLiteral("hours")).toInt(), 1);
    t->setValueForKey(QStringLiteral("renamed"), QStringLiteral("itemName"));
    EXPECT_EQ(t->itemName(), QStringLiteral("renamed"));
}

// Each settable key tells its observers once per change, and nothing when the value
// is equal already; the stored value is what the key then answers.
TEST(NodeObserving, EverySettableKeyAnnouncesAChangeOnceAndAnEqualValueNotAtAll)
{
    const QDateTime moment = at("2011-01-02 03:04:05 +0100");
    const QList<std::pair<QString, std::function<void(Node &)>>> table{
        {QStringLiteral("itemName"), [](Node &n) { n.setItemName(QStringLiteral("Writing")); }},
        {QStringLiteral("type"), [](Node &n) { n.setType(Node::Group); }},
        {QStringLiteral("hours"), [](Node &n) { n.setHours(7); }},
        {QStringLiteral("minutes"), [](Node &n) { n.setMinutes(42); }},
        {QStringLiteral("cDate"), [&](Node &n) { n.setcDate(moment); }},
        {QStringLiteral("lDate"), [&](Node &n) { n.setlDate(moment); }},
        {QStringLiteral("active"), [](Node &n) { n.setActive(true); }},
        {QStringLiteral("executed"), [](Node &n) { n.setExecuted(true); }},
        {QStringLiteral("turnover"), [](Node &n) { n.setTurnover(12.5f); }},
        {QStringLiteral("wage"), [](Node &n) { n.setWage(30.0f); }},
        {QStringLiteral("colorLabel"), [](Node &n) { n.setColorLabel(3); }},
        {QStringLiteral("descript"), [](Node &n) { n.setDescript(QStringLiteral("Notes")); }},
    };
    for (const auto &[key, set] : table) {
        SCOPED_TRACE(key.toStdString());
        NodePtr node = make(Node::Job, QString());
        int changes = 0;
        node->addObserver(key, [&](platform::KeyValueObservable &, const QString &, bool prior) {
            if (!prior)
                ++changes;
        });
        set(*node);
        EXPECT_EQ(changes, 1);
        set(*node);
        EXPECT_EQ(changes, 1);
    }
    // The same moment in another offset is a change (the file keeps the offset).
    NodePtr node = make(Node::Job, QString());
    node->setcDate(moment);
    int changes = 0;
    node->addObserver(QStringLiteral("cDate"), [&](platform::KeyValueObservable &, const QString &, bool prior) {
        changes += prior ? 0 : 1;
    });
    node->setcDate(moment.toOffsetFromUtc(0));
    EXPECT_EQ(changes, 1);
}

// Description and colour-label edits anywhere in a document reach the document
// root's delegate: undoable, named and reported.
TEST(NodeEdits, EditsOfEveryKindOfNodeAreUndoableAndReported)
{
    RecordingDelegate delegate;
    NodePtr root = make(Node::Root, QString());
    root->setDelegate(&delegate);
    NodePtr group = make(Node::Group, QStringLiteral("G"), root);
    NodePtr job = make(Node::Job, QStringLiteral("J"), group);
    NodePtr day = make(Node::Day, QString(), job);
    NodePtr t = make(Node::TimeEntry, QString(), day);

    for (const NodePtr &n : {group, job, day, t, root}) {
        delegate.changed.clear();
        delegate.undo.beginUndoGrouping();
        n->setDescript(QStringLiteral("new"));
        delegate.undo.endUndoGrouping();
        EXPECT_EQ(delegate.changed, QList<Node *>{n.get()});
        EXPECT_EQ(delegate.undo.undoActionName(), QStringLiteral("Description Change"));
        delegate.undo.undo();
        EXPECT_EQ(n->descript(), QString());
        delegate.undo.redo();
        EXPECT_EQ(n->descript(), QStringLiteral("new"));

        delegate.undo.beginUndoGrouping();
        n->setColorLabel(5);
        delegate.undo.endUndoGrouping();
        EXPECT_EQ(delegate.undo.undoActionName(), QStringLiteral("Color Label"));
        delegate.undo.undo();
        EXPECT_EQ(n->colorLabel(), 0);
    }
}

TEST(NodeEdits, NodesOutsideADocumentReachNoDelegate)
{
    RecordingDelegate delegate;
    NodePtr group = make(Node::Group, QStringLiteral("G"));
    group->setDelegate(&delegate); // not a root: never asked
    NodePtr job = make(Node::Job, QStringLiteral("J"), group);
    job->setDescript(QStringLiteral("x"));
    job->setColorLabel(2);
    EXPECT_EQ(job->descript(), QStringLiteral("x"));
    EXPECT_TRUE(delegate.changed.isEmpty());
    EXPECT_FALSE(delegate.undo.canUndo());
}

// Only the delegate of a tree's root is asked, and a node holds a parent or a delegate:
// one given a parent gives up its delegate and keeps the parent, and a delegate set on
// a node with a parent is not held.
TEST(NodeEdits, ANodeHoldsItsParentOrItsDelegate)
{
    RecordingDelegate first;
    RecordingDelegate second;
    NodePtr root = make(Node::Root, QString());
    root->setDelegate(&first);
    NodePtr job = make(Node::Job, QStringLiteral("J"), root);
    NodePtr day = make(Node::Day, QString(), job);
    EXPECT_EQ(root->delegate(), &first);
    EXPECT_EQ(job->delegate(), nullptr);

    // Set on a node with a parent: the parent stays, the root's delegate is told.
    day->setDelegate(&second);
    EXPECT_EQ(day->delegate(), nullptr);
    EXPECT_EQ(day->parent(), job.get());
    EXPECT_EQ(job->indexOfChild(day.get()), 0);
    day->setDescript(QStringLiteral("d"));
    EXPECT_EQ(first.changed, QList<Node *>{day.get()});
    EXPECT_TRUE(second.changed.isEmpty());
    day->setDelegate(nullptr);
    EXPECT_EQ(day->parent(), job.get());

    // Clearing the parent link of a node that has none leaves its delegate.
    root->setParent(nullptr);
    EXPECT_EQ(root->delegate(), &first);

    // A root holding a delegate, put under another root: it keeps the parent, and its
    // tree's edits go to the new root's delegate.
    NodePtr other = make(Node::Root, QString());
    other->setDelegate(&second);
    other->addChild(root);
    EXPECT_EQ(root->parent(), other.get());
    EXPECT_EQ(root->delegate(), nullptr);
    EXPECT_EQ(other->indexOfChild(root.get()), 0);
    first.changed.clear();
    job->setColorLabel(3);
    EXPECT_EQ(second.changed, QList<Node *>{job.get()});
    EXPECT_TRUE(first.changed.isEmpty());
    // Taken out again, it holds neither.
    other->delChild(root);
    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_EQ(root->delegate(), nullptr);
    second.changed.clear();
    job->setColorLabel(4);
    EXPECT_TRUE(first.changed.isEmpty());
    EXPECT_TRUE(second.changed.isEmpty());
    EXPECT_EQ(other->delegate(), &second);
}

TEST(NodeEdits, UndoKeepsARemovedNodeAlive)
{
    RecordingDelegate delegate;
    NodePtr root = make(Node::Root, QString());
    root->setDelegate(&delegate);
    NodePtr job = make(Node::Job, QStringLiteral("J"), root);
    std::weak_ptr<Node> watch = job;
    delegate.undo.beginUndoGrouping();
    job->setDescript(QStringLiteral("x"));
    delegate.undo.endUndoGrouping();
    root->delChild(job);
    job.reset();
    ASSERT_FALSE(watch.expired());
    delegate.undo.undo();
    EXPECT_EQ(watch.lock()->descript(), QString());
}

TEST(NodeExtensionList, AnswersLikeARootAndWritesADocumentElement)
{
    platform::Clock::setNow(at("2010-01-02 03:04:05 +0100"));
    NodePtr root = make(Node::Root, QString());
    NodePtr job = make(Node::Job, QStringLiteral("J"), root);
    NodePtr day = make(Node::Day, QStringLiteral("D"), job);
    NodePtr t = make(Node::TimeEntry, QStringLiteral("T"), day);
    const QList<NodePtr> list{job, t};
    EXPECT_EQ(NodeExtension::type(list), Node::Root);
    EXPECT_EQ(NodeExtension::childrenCount(list), 2);
    EXPECT_EQ(NodeExtension::childEnumerator(list), list);

    QByteArray xml;
    {
        QXmlStreamWriter w(&xml);
        NodeExtension::nodeTreeAsXMLElementTreeWithFlags(list, w, Node::WithoutTimeEntries);
    }
    platform::Clock::useSystemClock();
    QXmlStreamReader r(xml);
    QStringList names;
    while (!r.atEnd())
        if (r.readNext() == QXmlStreamReader::StartElement) {
            names << r.name().toString() + QLatin1Char(':') + r.attributes().value(QLatin1String("itemName")).toString();
            if (names.size() == 1) {
                EXPECT_EQ(r.attributes().value(QLatin1String("createDate")), u"2010-01-02 03:04:05 +0100");
                EXPECT_EQ(r.attributes().value(QLatin1String("active")), u"no");
            }
        }
    EXPECT_FALSE(r.hasError());
    // The listed entry is written although the flags leave out entries below.
    EXPECT_EQ(names, (QStringList{"document:", "jobEntry:J", "dayEntry:D", "timeEntry:T"}));
    EXPECT_EQ(job->parent(), root.get());
}
