// A snapshot of a tree taken in slices is the tree as it stood at the snapshot's
// moment, whatever changes the tree meanwhile: after every slice size, every kind of
// change between the slices, and a second snapshot begun halfway through the first,
// each copy writes the bytes its moment's clone writes, and its nodes are its own.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/tree/NodeSnapshot.h"
#include "platform/foundation/CalendarDate.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QDateTime moment(int minutes)
{
    return QDateTime(QDate(2024, 3, 4), QTime(8, 0), Qt::OffsetFromUTC, 3600).addSecs(qint64(minutes) * 60);
}

// Every node below the root (repeated ones as often as they stand), depth first.
void collect(const NodePtr &node, QList<NodePtr> &into)
{
    for (const NodePtr &child : node->childEnumerator()) {
        if (!child)
            continue;
        into << child;
        collect(child, into);
    }
}

QByteArray bytesOf(const Node &root)
{
    return DocumentFileFormat::toXmlData(root, DocumentValuesStore());
}

// Every copy has the copy above it as its parent, and no node of the original is in it.
void expectOwnNodes(const Node &copy, const QList<NodePtr> &originals)
{
    for (const NodePtr &child : copy.childEnumerator()) {
        if (!child)
            continue;
        EXPECT_EQ(child->parent(), &copy);
        EXPECT_FALSE(originals.contains(child));
        expectOwnNodes(*child, originals);
    }
}

class RandomTree
{
public:
    explicit RandomTree(quint32 seed) : random(seed) {}

    NodePtr make()
    {
        NodePtr root = Node::create(Node::Root, moment(0));
        for (int g = 0; g < 1 + int(random.bounded(3)); ++g) {
            NodePtr group = node(Node::Group);
            root->addChild(group);
            for (int j = 0; j < int(random.bounded(3)); ++j)
                group->addChild(job());
        }
        for (int j = 0; j < 1 + int(random.bounded(3)); ++j)
            root->addChild(job());
        root->recalcWorkTimeForTree();
        return root;
    }

    NodePtr node(int type)
    {
        NodePtr made = Node::create(type, moment(int(random.bounded(600))));
        made->setItemName(QStringLiteral("Node %1").arg(++m_names));
        return made;
    }

    NodePtr job()
    {
        NodePtr made = node(Node::Job);
        made->setWage(float(10 + random.bounded(90)));
        for (int d = 0; d < int(random.bounded(3)); ++d) {
            NodePtr day = node(Node::Day);
            made->addChild(day);
            for (int e = 0; e < int(random.bounded(4)); ++e) {
                NodePtr entry = node(Node::TimeEntry);
                entry->setlDate(entry->cDate().addSecs(60 * (1 + random.bounded(240))));
                entry->setWage(made->wage());
                day->addChild(entry);
            }
        }
        return made;
    }

    // One change of any kind somewhere in the tree, or of a node taken out of it.
    void change(const NodePtr &root)
    {
        QList<NodePtr> all;
        collect(root, all);
        all << root;
        const auto pick = [&](const QList<NodePtr> &from) { return from.at(random.bounded(int(from.size()))); };
        const NodePtr target = random.bounded(8) == 0 && !m_removed.isEmpty() ? pick(m_removed) : pick(all);
        const int value = int(random.bounded(1000));
        switch (random.bounded(17)) {
        case 0: target->setItemName(QStringLiteral("Renamed %1").arg(value)); break;
        case 1: target->setHours(value); break;
        case 2: target->setMinutes(value % 60); break;
        case 3: target->setcDate(moment(value)); break;
        case 4: target->setlDate(moment(value + 30)); break;
        case 5: target->setActive(!target->active()); break;
        case 6: target->setExecutedForTree(!target->executed()); break;
        case 7: target->setTurnover(float(value) / 7.0f); break;
        case 8: target->setWageForTree(float(value)); break;
        case 9: target->setColorLabel(value % 8); break;
        case 10: target->setDescript(QStringLiteral("Note %1\nsecond line").arg(value)); break;
        case 11: // a new node at any place
            target->addChild(random.bounded(2) == 0 ? job() : node(Node::TimeEntry),
                             random.bounded(int(target->childrenCount()) + 1));
            break;
        case 12: // a node taken out (kept, as an undo step keeps it)
            if (target->childrenCount() > 0) {
                const NodePtr child = target->childAtIndex(random.bounded(int(target->childrenCount())));
                target->delChild(child);
                if (child)
                    m_removed << child;
            }
            break;
        case 13: // a node taken out put back elsewhere, or a node moved
            if (!m_removed.isEmpty() && random.bounded(2) == 0) {
                const NodePtr back = m_removed.takeAt(random.bounded(int(m_removed.size())));
                if (!back->isDescendantOfNode(target.get()) && !target->isDescendantOfNode(back.get()))
                    target->addChild(back, random.bounded(int(target->childrenCount()) + 1));
            } else if (const NodePtr moved = pick(all); moved != root && moved->parent()
                       && !target->isDescendantOfNode(moved.get())) {
                moved->parent()->delChild(moved);
                target->addChild(moved);
            }
            break;
        case 14: // several children at once, one of them standing there twice
            if (target->childrenCount() > 0) {
                const NodePtr twice = target->childAtIndex(0);
                target->insertChildren({node(Node::Day), twice}, random.bounded(int(target->childrenCount()) + 1));
            }
            break;
        case 15: root->recalcWorkTimeForTree(); break;
        case 16: target->fillNodesWithValuesFrom(*pick(all)); break;
        }
    }

    QRandomGenerator random;

private:
    QList<NodePtr> m_removed;
    int m_names = 0;
};

} // namespace

TEST(NodeSnapshot, ACopyTakenInSlicesIsTheTreeOfItsMomentWhateverChangesMeanwhile)
{
    int changed = 0;
    int secondSnapshots = 0;
    for (quint32 seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        RandomTree tree(seed);
        const NodePtr root = tree.make();
        const QByteArray expected = bytesOf(*root->clone());
        QList<NodePtr> originals;
        collect(root, originals);
        // Slices of one node up to the whole tree at once.
        const qsizetype slice = seed % 10 == 0 ? originals.size() + 1 : 1 + qsizetype(seed % 4);
        NodeSnapshot snapshot(root);
        std::unique_ptr<NodeSnapshot> second;
        QByteArray secondExpected;
        int slices = 0;
        while (!snapshot.copyMore(slice)) {
            ASSERT_LT(++slices, 100000);
            EXPECT_EQ(snapshot.copy(), NodePtr()) << "a copy before it is whole";
            for (int c = int(tree.random.bounded(4)); c > 0; --c, ++changed)
                tree.change(root);
            if (!second && tree.random.bounded(4) == 0) {
                secondExpected = bytesOf(*root->clone());
                second = std::make_unique<NodeSnapshot>(root);
                ++secondSnapshots;
            }
            if (second)
                second->copyMore(1);
        }
        ASSERT_TRUE(snapshot.isWhole());
        const NodePtr copy = snapshot.copy();
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(bytesOf(*copy), expected);
        EXPECT_EQ(copy->parent(), nullptr);
        EXPECT_EQ(copy->delegate(), nullptr);
        QList<NodePtr> now;
        collect(root, now);
        expectOwnNodes(*copy, originals + now);
        if (second) {
            for (int c = int(tree.random.bounded(3)); c > 0; --c)
                tree.change(root);
            while (!second->copyMore(2))
                tree.change(root);
            EXPECT_EQ(bytesOf(*second->copy()), secondExpected);
        }
        // Once whole, the copy stays as it is while the tree goes on.
        tree.change(root);
        EXPECT_EQ(bytesOf(*copy), expected);
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_GT(changed, 1000);
    EXPECT_GT(secondSnapshots, 50);
}
