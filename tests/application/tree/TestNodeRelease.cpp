// Trees handed over to be freed a slice at a time: gone once the event loop has run,
// never more than a slice in one turn, and nothing that someone else holds is taken
// from them.
#include "application/tree/NodeRelease.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace {

using WeakNode = std::weak_ptr<Node>;

// Runs once in every turn of the event loop while it lives (queued as the releaser's
// slices are, so that a slice and a count take turns), counting the nodes of the list
// that went since its last count.
class TurnCounter
{
public:
    TurnCounter(const std::vector<WeakNode> &nodes, std::function<void()> eachTurn = {})
        : m_nodes(nodes), m_eachTurn(std::move(eachTurn))
    {
        queue();
    }
    ~TurnCounter() { delete m_context; }
    qsizetype largestTurn() const { return m_largest; }
    int turns() const { return m_turns; }
    qsizetype gone() const { return m_gone; }

private:
    void queue()
    {
        QMetaObject::invokeMethod(m_context, [this] { count(); }, Qt::QueuedConnection);
    }
    void count()
    {
        const qsizetype gone = std::count_if(m_nodes.cbegin(), m_nodes.cend(), [](const WeakNode &n) { return n.expired(); });
        m_largest = std::max(m_largest, gone - m_gone);
        m_gone = gone;
        ++m_turns;
        if (m_eachTurn)
            m_eachTurn();
        queue();
    }

    const std::vector<WeakNode> &m_nodes;
    std::function<void()> m_eachTurn;
    QObject *m_context = new QObject;
    qsizetype m_largest = 0;
    qsizetype m_gone = 0;
    int m_turns = 0;
};

void collect(const NodePtr &node, std::vector<WeakNode> &into)
{
    into.push_back(node);
    for (const NodePtr &child : node->childEnumerator())
        if (child)
            collect(child, into);
}

// The nodes in the subtree, each once.
QSet<const Node *> subtree(const Node *node)
{
    QSet<const Node *> nodes;
    std::vector<const Node *> open{node};
    while (!open.empty()) {
        const Node *n = open.back();
        open.pop_back();
        if (!n || nodes.contains(n))
            continue;
        nodes.insert(n);
        for (qsizetype i = 0; i < n->childrenCount(); ++i)
            open.push_back(n->childPointerAt(i));
    }
    return nodes;
}

bool allGone(const std::vector<WeakNode> &nodes)
{
    return std::all_of(nodes.cbegin(), nodes.cend(), [](const WeakNode &n) { return n.expired(); });
}

} // namespace

// 200,000 time entries under groups, jobs and days: nothing goes while the tree is
// handed over, all of it once the event loop has run, never more than a slice in one
// turn. A job someone still holds stays whole, no longer linked to its group.
TEST(NodeRelease, ALargeTreeGoesASliceATurnAndWhatIsHeldStaysWhole)
{
    NodePtr root = Node::create(Node::Root);
    NodePtr heldJob;
    for (int g = 0; g < 20; ++g) {
        NodePtr group = Node::create(Node::Group);
        root->addChild(group);
        for (int j = 0; j < 10; ++j) {
            NodePtr job = Node::create(Node::Job);
            group->addChild(job);
            for (int d = 0; d < 100; ++d) {
                NodePtr day = Node::create(Node::Day);
                job->addChild(day);
                for (int e = 0; e < 10; ++e) {
                    // Named as a file's are (each name a text of its own).
                    NodePtr entry = Node::create(Node::TimeEntry);
                    entry->setItemName(QStringLiteral("Entry %1.%2.%3.%4").arg(g).arg(j).arg(d).arg(e));
                    day->addChild(entry);
                }
            }
            if (g == 7 && j == 3)
                heldJob = job;
        }
    }
    const QSet<const Node *> heldBefore = subtree(heldJob.get());
    std::vector<WeakNode> others;
    collect(root, others);
    const WeakNode deepLeaf = root->childAtIndex(19)->childAtIndex(9)->childAtIndex(99)->childAtIndex(9);
    others.erase(std::remove_if(others.begin(), others.end(),
                                [&](const WeakNode &n) { return heldBefore.contains(n.lock().get()); }),
                 others.end());
    ASSERT_EQ(others.size(), size_t(1 + 20 + 199 + 199 * 100 + 199 * 1000));

    // Handed over twice (first while still held here), a node of the pending tree once
    // more, and nothing: harmless.
    NodeRelease::release(root);
    NodeRelease::release(std::move(root));
    EXPECT_FALSE(NodeRelease::isIdle());
    NodeRelease::release(Node::shared(heldJob->parent()));
    NodeRelease::release(NodePtr());
    NodeRelease::release(QList<NodePtr>{NodePtr(), NodePtr()});
    EXPECT_EQ(std::count_if(others.cbegin(), others.cend(), [](const WeakNode &n) { return n.expired(); }), 0);

    TurnCounter counter(others);
    ASSERT_TRUE(QTest::qWaitFor([&] { return deepLeaf.expired() && allGone(others); }, 60000));
    EXPECT_LE(counter.largestTurn(), NodeRelease::SliceSteps);
    EXPECT_GE(counter.turns(), int(others.size() / size_t(NodeRelease::SliceSteps)));
    EXPECT_TRUE(QTest::qWaitFor([] { return NodeRelease::isIdle(); }, 5000));

    EXPECT_EQ(heldJob->parent(), nullptr);
    EXPECT_EQ(subtree(heldJob.get()), heldBefore);
    EXPECT_EQ(heldJob->childrenCount(), 100);
    for (const NodePtr &day : heldJob->childEnumerator()) {
        EXPECT_EQ(day->parent(), heldJob.get());
        EXPECT_EQ(day->childrenCount(), 10);
    }
}

// Random trees (empty slots and children standing twice in a list among them) with
// random nodes held from outside, handed over whole and in parts; between turns a node
// still waiting is picked up now and then through a held node's parent link. After
// every turn: no more than a slice went, and every node someone holds is there with its
// subtree. At the end exactly what no one holds is gone, and everything held has the
// subtree it had when it was taken up, its parent link either cleared or naming a node
// that lists it.
TEST(NodeRelease, RandomTreesWithRandomHoldersLoseExactlyWhatNoOneHolds)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        NodePtr root = Node::create(Node::Root);
        std::vector<NodePtr> all{root};
        const int size = 2000 + pick(40000);
        while (int(all.size()) < size) {
            // Deep and wide shapes: the newest nodes get most of the children.
            const int span = 1 + pick(int(all.size()));
            const NodePtr &parent = all[all.size() - size_t(1 + pick(std::min(span, 64)))];
            switch (pick(40)) {
            case 0:
                parent->addChild(NodePtr());
                break;
            case 1:
                if (parent->childrenCount() > 0) {
                    parent->addChild(parent->childAtIndex(pick(int(parent->childrenCount()))));
                    break;
                }
                [[fallthrough]];
            default: {
                NodePtr child = Node::create(pick(5));
                parent->addChild(child);
                all.push_back(child);
            }
            }
        }
        std::vector<WeakNode> weak(all.cbegin(), all.cend());
        // What each holder holds, with the subtree it must keep.
        std::vector<std::pair<NodePtr, QSet<const Node *>>> held;
        for (int i = 0, n = pick(12); i < n; ++i) {
            const NodePtr &node = all[size_t(pick(int(all.size())))];
            held.emplace_back(node, subtree(node.get()));
        }
        QList<NodePtr> parts;
        for (int i = 0, n = pick(4); i < n; ++i)
            parts << all[size_t(pick(int(all.size())))];
        all.clear();
        NodeRelease::release(std::move(root));
        NodeRelease::release(std::move(parts));
        parts.clear();

        auto everyTurn = [&] {
            for (const auto &[node, nodes] : held)
                ASSERT_EQ(subtree(node.get()), nodes);
            if (held.empty() || pick(3) != 0)
                return;
            // A node still waiting, reached through a held node's parent link, is
            // taken up with what it has now.
            if (NodePtr parent = Node::shared(held[size_t(pick(int(held.size())))].first->parent())) {
                QSet<const Node *> nodes = subtree(parent.get());
                held.emplace_back(std::move(parent), std::move(nodes));
            }
        };
        {
            TurnCounter counter(weak, everyTurn);
            ASSERT_TRUE(QTest::qWaitFor([] { return NodeRelease::isIdle(); }, 60000));
            EXPECT_LE(counter.largestTurn(), NodeRelease::SliceSteps);
        }
        if (::testing::Test::HasFailure())
            break;
        QSet<const Node *> kept;
        for (const auto &[node, nodes] : held) {
            EXPECT_EQ(subtree(node.get()), nodes);
            kept.unite(nodes);
        }
        for (const WeakNode &node : weak) {
            const NodePtr alive = node.lock();
            if (!alive)
                continue;
            EXPECT_TRUE(kept.contains(alive.get()));
            if (Node *parent = alive->parent()) {
                EXPECT_TRUE(kept.contains(parent));
                EXPECT_GE(parent->indexOfChild(alive.get()), 0);
            }
        }
        const qsizetype alive = std::count_if(weak.cbegin(), weak.cend(), [](const WeakNode &n) { return !n.expired(); });
        EXPECT_EQ(alive, kept.size());
    }
}
