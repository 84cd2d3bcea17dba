// recalcWorkTimeForTree works in one pass; it must leave every node exactly as
// running recalcWorkTime on every time entry in tree order leaves it. The reference
// below is that walk, written out step by step.
#include "application/tree/Node.h"
#include "platform/foundation/CalendarDate.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <random>

namespace {

// --- The reference: recalcWorkTime on every entry, level by level ----------------

float referenceTurnover(int hours, int minutes, float wage)
{
    const float m = float(minutes);
    const float h = float(hours);
    const float a = (m * 100.0f) / 6000.0f;
    const float b = a * wage;
    const float c = h * wage;
    return b + c;
}

void referenceSumOfChildren(Node *n, float wage)
{
    int h = 0, m = 0;
    for (const NodePtr &c : n->childEnumerator())
        addTimeWithCarry(&h, &m, c->hours(), c->minutes());
    n->setHours(h);
    n->setMinutes(m);
    n->setTurnover(referenceTurnover(h, m, wage));
}

void referenceTotal(Node *n)
{
    if (n->type() == Node::Root)
        return;
    if (n->type() == Node::Group) {
        int h = 0, m = 0;
        float t = 0.0f;
        for (const NodePtr &c : n->childEnumerator()) {
            addTimeWithCarry(&h, &m, c->hours(), c->minutes());
            t += c->turnover();
        }
        n->setHours(h);
        n->setMinutes(m);
        n->setTurnover(t);
    } else if (Node *job = n->getRootObject()) {
        for (const NodePtr &day : job->childEnumerator())
            referenceSumOfChildren(day.get(), job->wage());
        referenceSumOfChildren(job, job->wage());
    }
    if (n->parent() && n->parent()->type() == Node::Group)
        referenceTotal(n->parent());
}

void referenceRecalcWorkTime(Node *t)
{
    if (t->type() != Node::TimeEntry || !t->parent() || !t->parent()->parent())
        return;
    Node *day = t->parent();
    Node *job = day->parent();
    const float w = job->wage();
    referenceSumOfChildren(day, w);
    referenceSumOfChildren(job, w);
    if (job->parent() && job->parent()->type() == Node::Group)
        referenceTotal(job->parent());
}

void referenceForTree(Node *n)
{
    const QList<NodePtr> children = n->childEnumerator();
    for (const NodePtr &c : children)
        referenceRecalcWorkTime(c.get());
    for (const NodePtr &c : children)
        referenceForTree(c.get());
}

// --- Random trees ------------------------------------------------------------------

struct Generator
{
    explicit Generator(unsigned seed) : rng(seed) {}

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
    float money() { return float(uniform(0, 40000)) / float(uniform(1, 997)); }

    // Stored values that the recomputation may or may not replace.
    void stored(Node &n)
    {
        n.setWage(money()); // first: a time entry recomputes itself from its dates
        n.setHours(uniform(-3, 500));
        n.setMinutes(uniform(-5, 130));
        n.setTurnover(money());
    }

    NodePtr node(int type)
    {
        NodePtr n = Node::create(type, QDateTime::fromSecsSinceEpoch(1236000000, Qt::OffsetFromUTC, 3600));
        stored(*n);
        return n;
    }

    void fillGroup(Node &g, int depth)
    {
        const int count = uniform(0, 4);
        for (int i = 0; i < count; ++i) {
            if (depth < 4 && chance(0.35)) {
                NodePtr sub = node(Node::Group);
                g.addChild(sub);
                fillGroup(*sub, depth + 1);
            } else {
                NodePtr job = node(Node::Job);
                g.addChild(job);
                const int days = uniform(0, 4);
                for (int d = 0; d < days; ++d) {
                    NodePtr day = node(Node::Day);
                    job->addChild(day);
                    const int entries = chance(0.3) ? 0 : uniform(1, 5);
                    for (int e = 0; e < entries; ++e)
                        day->addChild(node(Node::TimeEntry));
                }
            }
        }
    }

    // Anything under anything, types 0 to 5.
    void fillWild(Node &n, int depth)
    {
        const int count = depth > 5 ? 0 : uniform(0, 3);
        for (int i = 0; i < count; ++i) {
            NodePtr c = node(uniform(0, 5));
            n.addChild(c);
            fillWild(*c, depth + 1);
        }
    }

    std::mt19937 rng;
};

NodePtr deepCopy(const Node &n)
{
    NodePtr c = Node::create(n.type(), n.cDate());
    c->setWage(n.wage());
    c->setHours(n.hours());
    c->setMinutes(n.minutes());
    c->setTurnover(n.turnover());
    for (const NodePtr &child : n.childEnumerator())
        c->addChild(deepCopy(*child));
    return c;
}

void expectSame(const Node &a, const Node &b, const QString &path)
{
    ASSERT_EQ(a.childrenCount(), b.childrenCount()) << qPrintable(path);
    EXPECT_EQ(a.hours(), b.hours()) << qPrintable(path);
    EXPECT_EQ(a.minutes(), b.minutes()) << qPrintable(path);
    EXPECT_EQ(std::bit_cast<quint32>(a.turnover()), std::bit_cast<quint32>(b.turnover()))
        << qPrintable(path) << " " << a.turnover() << " vs " << b.turnover();
    for (qsizetype i = 0; i < a.childrenCount(); ++i)
        expectSame(*a.childAtIndex(i), *b.childAtIndex(i), path + QLatin1Char('/') + QString::number(i));
}

// All nodes of a tree in preorder.
void collect(const NodePtr &n, QList<NodePtr> &out)
{
    out.append(n);
    for (const NodePtr &c : n->childEnumerator())
        collect(c, out);
}

} // namespace

TEST(RecalcWorkTimeForTree, OnePassEqualsTheWalkOverEveryEntryOnDocumentTrees)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Generator gen(seed);
        NodePtr root = gen.node(Node::Root);
        gen.fillGroup(*root, 0);
        NodePtr expected = deepCopy(*root);
        root->recalcWorkTimeForTree();
        referenceForTree(expected.get());
        expectSame(*root, *expected, QStringLiteral("seed %1").arg(seed));
        if (HasFailure())
            return;
    }
}

TEST(RecalcWorkTimeForTree, OnePassEqualsTheWalkWhenStartedInsideTheTree)
{
    // Started on a group or job, the walk also climbs through the groups above it.
    for (unsigned seed = 1000; seed < 1300; ++seed) {
        Generator gen(seed);
        NodePtr root = gen.node(Node::Root);
        gen.fillGroup(*root, 0);
        NodePtr expected = deepCopy(*root);
        QList<NodePtr> nodes, expectedNodes;
        collect(root, nodes);
        collect(expected, expectedNodes);
        const int pick = gen.uniform(0, int(nodes.size()) - 1);
        nodes[pick]->recalcWorkTimeForTree();
        referenceForTree(expectedNodes[pick].get());
        expectSame(*root, *expected, QStringLiteral("seed %1 node %2").arg(seed).arg(pick));
        if (HasFailure())
            return;
    }
}

TEST(RecalcWorkTimeForTree, TreesOfAnyShapeGiveTheSameResults)
{
    for (unsigned seed = 5000; seed < 5300; ++seed) {
        Generator gen(seed);
        NodePtr root = gen.node(gen.chance(0.5) ? Node::Root : gen.uniform(0, 5));
        gen.fillWild(*root, 0);
        NodePtr expected = deepCopy(*root);
        root->recalcWorkTimeForTree();
        referenceForTree(expected.get());
        expectSame(*root, *expected, QStringLiteral("seed %1").arg(seed));
        if (HasFailure())
            return;
    }
}

TEST(RecalcWorkTimeForTree, DaysAndJobsWithoutEntriesKeepTheirSumsAndTheRootKeepsNone)
{
    NodePtr root = Node::create(Node::Root);
    root->setHours(11);
    NodePtr group = Node::create(Node::Group);
    root->addChild(group);
    NodePtr storedJob = Node::create(Node::Job);
    group->addChild(storedJob);
    NodePtr storedDay = Node::create(Node::Day);
    storedJob->addChild(storedDay);
    for (const NodePtr &n : {group, storedJob, storedDay}) {
        n->setHours(5);
        n->setTurnover(7.0f);
    }
    root->recalcWorkTimeForTree();
    for (const NodePtr &n : {group, storedJob, storedDay}) {
        EXPECT_EQ(n->hours(), 5);
        EXPECT_EQ(n->turnover(), 7.0f);
    }
    EXPECT_EQ(root->hours(), 11);
}
