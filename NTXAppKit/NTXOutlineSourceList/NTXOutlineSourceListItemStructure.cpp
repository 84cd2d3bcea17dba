// The tree operations of a source-list item.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"

#include "FoundationExtensions/NTXNSArray_Extension.h"

#include <QHash>
#include <QSet>
#include <vector>

NTXOutlineSourceListItem *NTXOutlineSourceListItem::rootObject()
{
    NTXOutlineSourceListItem *item = this;
    // A parent chain longer than any tree the items can hold is a loop made by a caller.
    for (qsizetype hops = 0; item->m_parent && hops <= MaximumItemCount; ++hops)
        item = item->m_parent;
    return item;
}

NTXOutlineSourceListItemPtr NTXOutlineSourceListItem::childAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_children.size())
        NTXNSArray_Extension::detail::throwRange(QStringLiteral("childAtIndex"), index, m_children.size());
    return m_children.at(index);
}

NTXOutlineSourceListItemPtr NTXOutlineSourceListItem::childWithIdentifier(const QString &identifier) const
{
    for (qsizetype i = m_children.size() - 1; i >= 0; --i) {
        if (m_children.at(i) && m_children.at(i)->identifier() == identifier)
            return m_children.at(i);
    }
    return nullptr;
}

qsizetype NTXOutlineSourceListItem::indexOfChild(const NTXOutlineSourceListItem *child) const
{
    for (qsizetype i = 0; i < m_children.size(); ++i) {
        if (m_children.at(i).get() == child)
            return i;
    }
    return -1;
}

void NTXOutlineSourceListItem::silentAddChild(const NTXOutlineSourceListItemPtr &child)
{
    silentInsertChild(child, m_children.size());
}

void NTXOutlineSourceListItem::silentInsertChild(const NTXOutlineSourceListItemPtr &child, qsizetype index)
{
    if (index < 0 || index > m_children.size())
        NTXNSArray_Extension::detail::throwRange(QStringLiteral("insertChild"), index, m_children.size() + 1);
    if (child)
        child->m_parent = this;
    m_children.insert(index, child);
}

void NTXOutlineSourceListItem::addChild(const NTXOutlineSourceListItemPtr &child)
{
    silentAddChild(child);
    reportChild(DidAddEntryNotification, "outlineSourceListItemDidAddEntry", child.get(), m_children.size() - 1);
}

void NTXOutlineSourceListItem::insertChild(const NTXOutlineSourceListItemPtr &child, qsizetype index)
{
    silentInsertChild(child, index);
    reportChild(DidAddEntryNotification, "outlineSourceListItemDidAddEntry", child.get(), index);
}

void NTXOutlineSourceListItem::removeChildAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_children.size())
        NTXNSArray_Extension::detail::throwRange(QStringLiteral("removeChildAtIndex"), index, m_children.size());
    const NTXOutlineSourceListItemPtr child = m_children.takeAt(index);
    reportChild(DidRemoveEntryNotification, "outlineSourceListItemDidRemoveEntry", child.get(), index);
    if (child && child->m_parent == this)
        child->m_parent = nullptr;
}

void NTXOutlineSourceListItem::removeChild(const NTXOutlineSourceListItem *child)
{
    removeChildAtIndex(indexOfChild(child));
}

void NTXOutlineSourceListItem::removeChildren(const QList<NTXOutlineSourceListItemPtr> &children)
{
    for (const NTXOutlineSourceListItemPtr &child : children)
        removeChild(child.get());
}

void NTXOutlineSourceListItem::removeAllChildren()
{
    const QList<NTXOutlineSourceListItemPtr> children = m_children;
    removeChildren(children);
}

void NTXOutlineSourceListItem::setParentForTree()
{
    std::vector<NTXOutlineSourceListItem *> pending{this};
    QSet<const NTXOutlineSourceListItem *> seen{this};
    while (!pending.empty()) {
        NTXOutlineSourceListItem *item = pending.back();
        pending.pop_back();
        for (const NTXOutlineSourceListItemPtr &child : std::as_const(item->m_children)) {
            if (!child)
                continue;
            child->m_parent = item;
            // An item reached twice (a caller broke the tree) is walked once.
            if (!seen.contains(child.get())) {
                seen.insert(child.get());
                pending.push_back(child.get());
            }
        }
    }
}

bool NTXOutlineSourceListItem::isDescendantOfNode(const NTXOutlineSourceListItem *item) const
{
    if (!item)
        return false;
    const NTXOutlineSourceListItem *current = this;
    for (qsizetype hops = 0; current && hops <= MaximumItemCount; ++hops, current = current->m_parent) {
        if (current == item)
            return true;
    }
    return false;
}

bool NTXOutlineSourceListItem::isDescendantOfNodeInArray(const QList<NTXOutlineSourceListItemPtr> &items) const
{
    for (const NTXOutlineSourceListItemPtr &item : items) {
        if (isDescendantOfNode(item.get()))
            return true;
    }
    return false;
}

QList<NTXOutlineSourceListItemPtr>
NTXOutlineSourceListItem::filteredFlatObjectTreeWithPredicate(const Predicate &predicate,
                                                              const QMetaObject *objectClass) const
{
    QList<NTXOutlineSourceListItemPtr> result;
    // Each item visited appends its own matching children; the visits go depth first,
    // children in order, which is the order of the answer.
    std::vector<const NTXOutlineSourceListItem *> pending{this};
    QSet<const NTXOutlineSourceListItem *> seen{this};
    while (!pending.empty()) {
        const NTXOutlineSourceListItem *item = pending.back();
        pending.pop_back();
        for (const NTXOutlineSourceListItemPtr &child : item->m_children) {
            if (child && (!objectClass || child->metaObject()->inherits(objectClass)) && (!predicate || predicate(child)))
                result.append(child);
        }
        for (qsizetype i = item->m_children.size() - 1; i >= 0; --i) {
            const NTXOutlineSourceListItem *child = item->m_children.at(i).get();
            if (child && !seen.contains(child)) {
                seen.insert(child);
                pending.push_back(child);
            }
        }
    }
    return result;
}

QList<NTXOutlineSourceListItemPtr>
NTXOutlineSourceListItem::minimumNodeCoverFromNodesInArray(const QList<NTXOutlineSourceListItemPtr> &items)
{
    // Each item stands for its topmost ancestor among the given items, looked for along
    // the whole parent chain (not only through given parents), so no item of the
    // answer lies below another whatever the input order.
    QHash<const NTXOutlineSourceListItem *, NTXOutlineSourceListItemPtr> given;
    given.reserve(items.size());
    for (const NTXOutlineSourceListItemPtr &item : items) {
        if (item)
            given.insert(item.get(), item);
    }
    QList<NTXOutlineSourceListItemPtr> result;
    QSet<const NTXOutlineSourceListItem *> inResult;
    for (const NTXOutlineSourceListItemPtr &item : items) {
        if (!item)
            continue;
        const NTXOutlineSourceListItem *top = item.get();
        qsizetype hops = 0;
        for (const NTXOutlineSourceListItem *p = item->m_parent; p && hops <= MaximumItemCount; p = p->m_parent, ++hops) {
            if (given.contains(p))
                top = p;
        }
        if (!inResult.contains(top)) {
            inResult.insert(top);
            result.append(given.value(top));
        }
    }
    return result;
}
