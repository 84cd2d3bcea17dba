#pragma once
// Walking a tree held in an item model, with a row (column 0 of a QModelIndex) as the
// node. A node is a leaf when the model says it has no children (hasChildren()).
// Index paths are the rows at each level, outermost first.
#include "FoundationExtensions/NTXNSIndexPath_Extensions.h"

#include <QList>
#include <QModelIndex>

namespace NTXNSTreeNode_Extensions {

using IndexPath = NTXNSIndexPath_Extensions::IndexPath;

IndexPath indexPath(const QModelIndex &node);
bool isLeaf(const QModelIndex &node);
// The children of a node (of the model's root for an invalid node).
QList<QModelIndex> childNodes(const QAbstractItemModel *model, const QModelIndex &node);

// Every node below, depth first: each child followed by its own descendants.
QList<QModelIndex> descendants(const QModelIndex &node);
// The same walk keeping only nodes that are not leaves, or only leaves.
QList<QModelIndex> groupDescendants(const QModelIndex &node);
QList<QModelIndex> leafDescendants(const QModelIndex &node);
// The children of the node's parent, the node itself included.
QList<QModelIndex> siblings(const QModelIndex &node);
bool isDescendantOfNode(const QModelIndex &node, const QModelIndex &other);
// Whether both have the same parent (a node is its own sibling).
bool isSiblingOfNode(const QModelIndex &node, const QModelIndex &other);
bool isSiblingOfOrDescendantOfNode(const QModelIndex &node, const QModelIndex &other);
// The place right after the node.
IndexPath adjacentIndexPath(const QModelIndex &node);
// The place after the node's last sibling.
IndexPath nextSiblingIndexPath(const QModelIndex &node);
// After a group's last child; for a leaf, nextSiblingIndexPath.
IndexPath nextChildIndexPath(const QModelIndex &node);

} // namespace NTXNSTreeNode_Extensions
