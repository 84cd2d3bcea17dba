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
    return root ? root->m_delegate : nullptr;
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
            n->m_parent = this;
            n->m_row = qsizetype(i);
        }
}

void Node::insertAt(const QList<NodePtr> &children, qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillInsertEntries(*this, index, children.size());
    for (const NodePtr &child : children)
        if (child && child->m_parent == this && indexOfChild(child.get()) >= 0)
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
    if (child && child->m_parent == this && (!m_repeatsChildren || indexOfChild(child.get()) < 0)) {
        child->m_parent = nullptr;
        child->m_row = -1;
    }
    if (d && child)
        d->nodeDidRemoveEntry(*this, *child);
}

void Node::insertOneAt(const NodePtr &child, qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillInsertEntries(*this, index, 1);
    if (child && child->m_parent == this && indexOfChild(child.get()) >= 0)
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

qsizetype Node::indexOfChild(const Node *child) const
{
    if (!child)
        return -1;
    // The position the child keeps answers, unless the list may hold it twice.
    if (!m_repeatsChildren && child->m_parent == this) {
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
    for (const Node *n = this; n; n = n->m_parent)
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
    for (Node *n = this; n; n = n->m_parent)
        if (n->m_type == Job || n->m_type == Root)
            return n;
    return nullptr;
}

Node *Node::getRootObject()
{
    if (m_type == Group || m_type == Root)
        return this;
    for (Node *n = this; n; n = n->m_parent)
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
    for (Node *n = m_parent; n && n->m_type == Group; n = n->m_parent)
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
    QHash<const Node *, NodePtr> given;
    for (const NodePtr &n : nodes)
        if (n)
            given.insert(n.get(), n);

    QList<NodePtr> result;
    QSet<const Node *> inResult;
    for (const NodePtr &n : nodes) {
        if (!n)
            continue;
        const Node *top = n.get();
        for (const Node *p = n->m_parent; p; p = p->m_parent)
            if (given.contains(p))
                top = p;
        if (!inResult.contains(top)) {
            inResult.insert(top);
            result.append(given.value(top));
        }
    }
    return result;
}
