// Trees handed over to be freed a slice at a time: gone once the event loop has run,
// never more than a slice in one turn, and nothing that someone else holds is taken
// from them.
#include "application/tree/NodeRelease.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSet>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace {

using WeakNode = std::weak_ptr<Node>;

qsizetype countGone(const std::vector<WeakNode> &nodes)
{
    return std::count_if(nodes.cbegin(), nodes.cend(), [](const WeakNode &n) { return n.expired(); });
}

// Waits until the releaser is idle, turning the event loop a pass at a time (a pass
// runs at most one slice: the next one is queued behind it) and counting after every
// pass, once the pool has freed what the slice took apart, the nodes that went since
// the last count; answers the most in one turn, -1 if it never ends. The wait for the
// pool and the checks are the test's, between two passes, not work of a delivery.
qsizetype largestTurnUntilIdle(const std::vector<WeakNode> &nodes, const std::function<void()> &eachTurn = {})
{
    qsizetype largest = 0;
    qsizetype gone = countGone(nodes);
    const QDeadlineTimer deadline(60000);
    while (!NodeRelease::isIdle()) {
        if (deadline.hasExpired())
            return -1;
        QCoreApplication::processEvents();
        // What the last slice took apart is freed on a pool thread.
        QThreadPool::globalInstance()->waitForDone();
        const qsizetype now = countGone(nodes);
        largest = std::max(largest, now - gone);
        gone = now;
        if (eachTurn)
            eachTurn();
    }
    return largest;
}

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
        if (n && !nodes.contains(n)) {
            nodes.insert(n);
            for (qsizetype i = 0; i < n->childrenCount(); ++i)
                open.push_back(n->childPointerAt(i));
        }
    }
    return nodes;
}

} // namespace

// 200,000 named time entries under groups, jobs and days, handed over (through a
// holder of an undo step's kind, and twice), with nothing, a node of the pending tree,
// a long list of an undo step's kind and a list shared with another besides: nothing goes at once, all of it once the event loop has run, never
// more than a slice in one turn. A job someone still holds stays whole, no longer
// linked to its group.
TEST(NodeRelease, ALargeTreeGoesASliceATurnAndWhatIsHeldStaysWhole)
{
    NodePtr root = Node::create(Node::Root);
    for (int g = 0; g < 20; ++g) {
        root->addChild(Node::create(Node::Group));
        for (int j = 0; j < 10; ++j) {
            NodePtr job = Node::create(Node::Job);
            root->childAtIndex(g)->addChild(job);
            for (int d = 0; d < 100; ++d) {
                job->addChild(Node::create(Node::Day));
                for (int e = 0; e < 10; ++e) {
                    NodePtr entry = Node::create(Node::TimeEntry);
                    entry->setItemName(QStringLiteral("Entry %1.%2.%3.%4").arg(g).arg(j).arg(d).arg(e));
                    job->childAtIndex(d)->addChild(entry);
                }
            }
        }
    }
    const NodePtr heldJob = root->childAtIndex(7)->childAtIndex(3);
    const QSet<const Node *> heldBefore = subtree(heldJob.get());
    std::vector<WeakNode> others;
    collect(root, others);
    others.erase(std::remove_if(others.begin(), others.end(),
                                [&](const WeakNode &n) { return heldBefore.contains(n.lock().get()); }),
                 others.end());
    ASSERT_EQ(others.size(), size_t(1 + 20 + 199 + 199 * 100 + 199 * 1000));

    NodeRelease::release(root); // still held here: only let go
    auto holder = NodeRelease::hold(std::move(root));
    auto copy = holder;
    holder.reset();
    copy.reset();
    NodeRelease::release(Node::shared(heldJob->parent()));
    NodeRelease::release(NodePtr());
    NodeRelease::release(QList<NodePtr>{NodePtr(), NodePtr()});
    // An undo step's list of 100,000 removed entries, and a list still shared with
    // another (only let go: the other keeps its nodes).
    QList<NodePtr> removed;
    for (int i = 0; i < 100000; ++i) {
        removed << Node::create(Node::TimeEntry);
        others.push_back(removed.constLast());
    }
    auto step = NodeRelease::hold(std::move(removed));
    QList<NodePtr> shared{Node::create(Node::Job)};
    const QList<NodePtr> sharer = shared;
    NodeRelease::release(std::move(shared));
    step.reset();
    EXPECT_FALSE(NodeRelease::isIdle());
    EXPECT_EQ(countGone(others), 0);

    const qsizetype largest = largestTurnUntilIdle(others);
    EXPECT_GE(largest, 1);
    EXPECT_LE(largest, NodeRelease::SliceSteps);
    EXPECT_EQ(countGone(others), qsizetype(others.size()));
    EXPECT_EQ(sharer.constFirst().use_count(), 1);
    EXPECT_EQ(heldJob->parent(), nullptr);
    EXPECT_EQ(subtree(heldJob.get()), heldBefore);
    for (const NodePtr &day : heldJob->childEnumerator())
        EXPECT_EQ(day->parent(), heldJob.get());
}

// Random trees (empty slots and children standing twice in a list among them) with
// random nodes held from outside, handed over whole and in parts; between turns a node
// still waiting is picked up now and then through a held node's parent link. After
// every turn every node someone holds has the subtree it had when it was taken up; at
// the end exactly what no one holds is gone, never more than a slice in one turn, and
// a parent link left names a node that lists it.
TEST(NodeRelease, RandomTreesWithRandomHoldersLoseExactlyWhatNoOneHolds)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        std::vector<NodePtr> all{Node::create(Node::Root)};
        for (const int size = 2000 + pick(40000); int(all.size()) < size;) {
            // Deep and wide shapes: the newest nodes get most of the children.
            const NodePtr parent = all[all.size() - size_t(1 + pick(std::min(int(all.size()), 64)))];
            if (const int kind = pick(40); kind == 0)
                parent->addChild(NodePtr());
            else if (kind == 1 && parent->childrenCount() > 0)
                parent->addChild(parent->childAtIndex(pick(int(parent->childrenCount()))));
            else
                parent->addChild(all.emplace_back(Node::create(pick(5))));
        }
        const std::vector<WeakNode> weak(all.cbegin(), all.cend());
        // What each holder holds, with the subtree it must keep.
        std::vector<std::pair<NodePtr, QSet<const Node *>>> held;
        for (int i = 0, n = pick(12); i < n; ++i) {
            const NodePtr &node = all[size_t(pick(int(all.size())))];
            held.emplace_back(node, subtree(node.get()));
        }
        QList<NodePtr> parts{all.front()};
        for (int i = 0, n = pick(4); i < n; ++i)
            parts << all[size_t(pick(int(all.size())))];
        all.clear();
        NodeRelease::hold(std::move(parts)).reset();

        const qsizetype largest = largestTurnUntilIdle(weak, [&] {
            for (const auto &[node, nodes] : held)
                ASSERT_EQ(subtree(node.get()), nodes);
            if (held.empty() || pick(3) != 0)
                return;
            if (NodePtr parent = Node::shared(held[size_t(pick(int(held.size())))].first->parent()))
                held.emplace_back(parent, subtree(parent.get()));
        });
        ASSERT_GE(largest, 0);
        EXPECT_LE(largest, NodeRelease::SliceSteps);
        if (::testing::Test::HasFailure())
            break;
        QSet<const Node *> kept;
        for (const auto &[node, nodes] : held) {
            EXPECT_EQ(subtree(node.get()), nodes);
            kept.unite(nodes);
        }
        for (const WeakNode &node : weak) {
            const NodePtr alive = node.lock();
            EXPECT_TRUE(!alive || kept.contains(alive.get()));
            EXPECT_TRUE(!alive || !alive->parent() || alive->parent()->indexOfChild(alive.get()) >= 0);
        }
        EXPECT_EQ(qsizetype(weak.size()) - countGone(weak), kept.size());
    }
}
