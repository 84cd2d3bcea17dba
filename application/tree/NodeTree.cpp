// Node: the tree (children, parent links, the delegate's reports, lookups and
// edits over a subtree).
#include "application/tree/Node.h"

#include "application/tree/NodeDelegate.h"
#include "application/tree/NodeSnapshot.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"

#include <QHash>
#include <QSet>
#include <iterator>

// ---------------------------------------------------------------------------
// Tree

NodeDelegate *Node::treeDelegate()
{
    Node *root = documentRoot();
    return root ? root->delegate() : nullptr;
}

void Node::reportChange(const QString &key)
{
    if (NodeDelegate *d = treeDelegate())
        d->nodeValueChanged(*this, key);
}

void Node::renumberFrom(size_t first)
{
    for (size_t i = first; i < m_children.size(); ++i)
        if (Node *n = m_children[i].get()) {
            n->setParent(this);
            n->m_row = rowHint(i);
        }
}

void Node::insertAt(const QList<NodePtr> &children, qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillInsertEntries(*this, index, children.size());
    for (const NodePtr &child : children)
        if (child && child->parent() == this && indexOfChild(child.get()) >= 0)
            m_repeatsChildren = true;
    NodeSnapshot::nodeWillChange(*this);
    m_children.insert(m_children.begin() + index, children.cbegin(), children.cend());
    renumberFrom(size_t(index));
    if (!d)
        return;
    if (index + children.size() == childrenCount() && children.size() == 1 && children.first())
        d->nodeDidAddEntry(*this, *children.first());
    else
        d->nodeDidInsertEntrysAtIndex(*this, children, index);
}

void Node::removeAt(qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillRemoveEntry(*this, index);
    NodeSnapshot::nodeWillChange(*this);
    const NodePtr child = std::move(m_children[size_t(index)]);
    m_children.erase(m_children.begin() + index);
    renumberFrom(size_t(index));
    if (child && child->parent() == this && (!m_repeatsChildren || indexOfChild(child.get()) < 0)) {
        child->setParent(nullptr);
        child->m_row = -1;
    }
    if (d && child)
        d->nodeDidRemoveEntry(*this, *child);
}

void Node::removeRange(qsizetype index, qsizetype count)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillRemoveEntries(*this, index, count);
    NodeSnapshot::nodeWillChange(*this);
    std::vector<NodePtr> gone(std::make_move_iterator(m_children.begin() + index),
                              std::make_move_iterator(m_children.begin() + index + count));
    m_children.erase(m_children.begin() + index, m_children.begin() + index + count);
    renumberFrom(size_t(index));
    for (const NodePtr &child : gone)
        if (child && child->parent() == this && (!m_repeatsChildren || indexOfChild(child.get()) < 0)) {
            child->setParent(nullptr);
            child->m_row = -1;
        }
    if (d)
        d->nodeDidRemoveEntries(*this, index, count);
}

bool Node::ascendingWithin(const QList<qsizetype> &indexes, qsizetype length)
{
    qsizetype previous = -1;
    for (const qsizetype index : indexes) {
        if (index <= previous || index >= length)
            return false;
        previous = index;
    }
    return true;
}

QList<NodePtr> Node::removeChildrenAt(const QList<qsizetype> &indexes)
{
    if (!ascendingWithin(indexes, childrenCount()))
        checkIndex(-1, false, "removeChildrenAt");
    QList<NodePtr> removed;
    removed.reserve(indexes.size());
    for (const qsizetype index : indexes)
        removed.append(m_children[size_t(index)]);
    // From the last run to the first: the indexes of the runs before stay as they are.
    for (qsizetype end = indexes.size(); end > 0;) {
        qsizetype first = end - 1;
        while (first > 0 && indexes.at(first - 1) + 1 == indexes.at(first))
            --first;
        removeRange(indexes.at(first), end - first);
        end = first;
    }
    return removed;
}

void Node::insertChildrenAt(const QList<NodePtr> &nodes, const QList<qsizetype> &indexes)
{
    if (nodes.size() != indexes.size() || !ascendingWithin(indexes, childrenCount() + indexes.size()))
        checkIndex(-1, true, "insertChildrenAt");
    // From the first run to the last: each run's indexes are those of the list with the
    // runs before it in place.
    for (qsizetype first = 0; first < indexes.size();) {
        qsizetype end = first + 1;
        while (end < indexes.size() && indexes.at(end - 1) + 1 == indexes.at(end))
            ++end;
        insertAt(nodes.mid(first, end - first), indexes.at(first));
        first = end;
    }
}

void Node::insertOneAt(const NodePtr &child, qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillInsertEntries(*this, index, 1);
    if (child && child->parent() == this && indexOfChild(child.get()) >= 0)
        m_repeatsChildren = true;
    NodeSnapshot::nodeWillChange(*this);
    m_children.insert(m_children.begin() + index, child);
    renumberFrom(size_t(index));
    if (!d)
        return;
    if (index + 1 == childrenCount() && child)
        d->nodeDidAddEntry(*this, *child);
    else
        d->nodeDidInsertEntrysAtIndex(*this, {child}, index);
}

void Node::adoptChildrenWhileReading(std::vector<NodePtr> &children)
{
    NodeSnapshot::nodeWillChange(*this);
    const size_t first = m_children.size();
    if (m_children.empty() && children.capacity() == children.size()) {
        // A list made for them, with no room to spare, becomes the node's own.
        m_children.swap(children);
    } else {
        m_children.reserve(first + children.size());
        std::move(children.begin(), children.end(), std::back_inserter(m_children));
    }
    children.clear();
    renumberFrom(first);
}

void Node::addChild(const NodePtr &child)
{
    insertOneAt(child, childrenCount());
}

void Node::addChild(const NodePtr &child, qsizetype index)
{
    checkIndex(index, true, "addChild");
    insertOneAt(child, index);
}

void Node::insertChildren(const QList<NodePtr> &children, qsizetype index)
{
    checkIndex(index, true, "insertChildren");
    insertAt(children, index);
    // Every child, the earlier ones too, has the receiver as its parent.
    renumberFrom(0);
}

void Node::delChild(const Node *child)
{
    if (!child)
        return;
    for (qsizetype index = indexOfChild(child); index >= 0; index = m_repeatsChildren ? indexOfChild(child) : -1)
        removeAt(index);
}

void Node::delChild(const NodePtr &child)
{
    delChild(child.get());
}

NodePtr Node::childAtIndex(qsizetype index) const
{
    checkIndex(index, false, "childAtIndex");
    return m_children[size_t(index)];
}

Node *Node::childPointerAt(qsizetype index) const
{
    checkIndex(index, false, "childPointerAt");
    return m_children[size_t(index)].get();
}

qsizetype Node::indexOfChild(const Node *child) const
{
    if (!child)
        return -1;
    // The position the child keeps answers, unless the list may hold it twice.
    if (!m_repeatsChildren && child->parent() == this) {
        const qsizetype row = child->m_row;
        if (row >= 0 && row < childrenCount() && m_children[size_t(row)].get() == child)
            return row;
    }
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == child)
            return qsizetype(i);
    return -1;
}

QList<NodePtr> Node::childEnumerator() const
{
    QList<NodePtr> result;
    result.reserve(childrenCount());
    for (const NodePtr &child : m_children)
        result.append(child);
    return result;
}

void Node::setAllParentValues()
{
    renumberFrom(0);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setAllParentValues();
}

qsizetype Node::insertIndexForChild(const Node &child) const
{
    for (size_t i = 0; i < m_children.size(); ++i)
        if (const Node *n = m_children[i].get(); n && n->m_cDate > child.m_cDate)
            return qsizetype(i);
    return childrenCount();
}

bool Node::isDescendantOfNode(const Node *node) const
{
    if (!node)
        return false;
    for (const Node *n = this; n; n = n->parent())
        if (n == node)
            return true;
    return false;
}

bool Node::isDescendantOfNodeInArray(const QList<NodePtr> &nodes) const
{
    for (const NodePtr &n : nodes)
        if (isDescendantOfNode(n.get()))
            return true;
    return false;
}

bool Node::nodeIsMemberOfTree(const Node *node) const
{
    if (!node)
        return false;
    for (const NodePtr &slot : m_children) {
        const Node *n = slot.get();
        if (!n)
            continue;
        if (n == node)
            return true;
        if (n->m_type == Group && n->nodeIsMemberOfTree(node))
            return true;
    }
    return false;
}

void Node::fillArrayWithJobNodes(QList<NodePtr> &jobs) const
{
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (!n || !*n)
            continue;
        if ((*n)->m_type == Job)
            jobs.append(*n);
        else if ((*n)->m_type == Group)
            (*n)->fillArrayWithJobNodes(jobs);
    }
}

NodePtr Node::getActiveNode() const
{
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (!n || !*n)
            continue;
        if ((*n)->m_active)
            return *n;
        if ((*n)->m_type == Group)
            if (NodePtr hit = (*n)->getActiveNode())
                return hit;
    }
    return NodePtr();
}

Node *Node::masterNode()
{
    if (m_type == Root)
        return this;
    for (Node *n = this; n; n = n->parent())
        if (n->m_type == Job || n->m_type == Root)
            return n;
    return nullptr;
}

Node *Node::getRootObject()
{
    if (m_type == Group || m_type == Root)
        return this;
    for (Node *n = this; n; n = n->parent())
        if (n->m_type == Job)
            return n;
    return nullptr;
}

NodePtr Node::getDayNode(const QDateTime &date) const
{
    const qint64 day = platform::CalendarDate::dayOfCommonEra(date);
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (n && *n && platform::CalendarDate::dayOfCommonEra((*n)->m_cDate) == day)
            return *n;
    }
    return NodePtr();
}

NodePtr Node::getDayNode() const
{
    return getDayNode(platform::Clock::now());
}

void Node::setExecutedForTree(bool executed)
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setExecuted(executed);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setExecutedForTree(executed);
}

void Node::setExecutedForUpTree(bool executed)
{
    for (Node *n = parent(); n && n->m_type == Group; n = n->parent())
        n->setExecuted(executed);
}

void Node::setWageForTree(float wage)
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setWage(wage);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setWageForTree(wage);
}

void Node::deactivedTimeNode()
{
    if (m_type == TimeEntry)
        setActive(false);
}

void Node::deactivedTimeNodeForTree()
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get()) {
            n->deactivedTimeNode();
            n->deactivedTimeNodeForTree();
        }
}

QList<NodePtr> Node::minimumNodeCoverFromNodesInArray(const QList<NodePtr> &nodes)
{
    // Each node is replaced by its topmost ancestor among the given nodes (itself when
    // there is none); the result keeps the order in which these were first reached.
    // Ancestors are looked for along the whole parent chain, not only through parents
    // that are given themselves, so no node in the result lies below another.
    // Each given node's place in the list (its first), and whether it is in the result.
    struct Given
    {
        qsizetype at;
        bool inResult;
    };
    QHash<const Node *, Given> given;
    given.reserve(nodes.size());
    for (qsizetype i = 0; i < nodes.size(); ++i)
        if (const Node *n = nodes.at(i).get(); n && !given.contains(n))
            given.insert(n, Given{i, false});

    QList<NodePtr> result;
    // The node last taken into the result has no given node above it (it is its own
    // topmost), so it is the topmost given ancestor of every node below it. Nodes listed
    // in the order an outline shows them (each row before the rows below it) find theirs
    // here, a few steps up without a look into the table.
    const Node *lastTaken = nullptr;
    for (const NodePtr &n : nodes) {
        if (!n)
            continue;
        bool belowLastTaken = false;
        for (const Node *p = lastTaken ? n->parent() : nullptr; p && !belowLastTaken; p = p->parent())
            belowLastTaken = p == lastTaken;
        if (belowLastTaken)
            continue;
        Given *top = nullptr;
        for (const Node *p = n->parent(); p; p = p->parent())
            if (const auto found = given.find(p); found != given.end())
                top = &found.value();
        if (!top)
            top = &given.find(n.get()).value();
        if (!top->inResult) {
            top->inResult = true;
            result.append(nodes.at(top->at));
            lastTaken = result.constLast().get();
        }
    }
    return result;
}
