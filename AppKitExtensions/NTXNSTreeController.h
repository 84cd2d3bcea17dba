#pragma once
// Navigation and selection in a tree shown from an item model, with a selection model
// standing for the tree controller: its model holds the arranged nodes (rows, column
// 0), its selection the selected nodes. Content objects are the model's items
// (NTXOutlineItemMapping; the row's QModelIndex when the model does not map items).
#include "AppKitExtensions/NTXNSTreeNode_Extensions.h"

#include <QList>
#include <QModelIndex>
#include <QVariant>

class QItemSelectionModel;

namespace NTXNSTreeController {

using IndexPath = NTXNSTreeNode_Extensions::IndexPath;

QList<QModelIndex> rootNodes(const QAbstractItemModel *model);
// The node at the path; invalid when there is none.
QModelIndex nodeAtIndexPath(const QAbstractItemModel *model, const IndexPath &path);
// The selected nodes in index-path order.
QList<QModelIndex> selectedNodes(const QItemSelectionModel *controller);
void selectNone(QItemSelectionModel *controller);
// Selects the parent of the first selected node, or nothing when it is a root node;
// without a selection nothing changes.
void selectParentFromSelection(QItemSelectionModel *controller);
// Where a new node goes: after the last root without a selection; the first child
// place of a single selected group; right after a single selected leaf (after the last
// root for a root leaf); right after the last of several selected nodes.
IndexPath indexPathForInsertion(const QItemSelectionModel *controller);

// The content objects / nodes in depth-first order (leaves are not descended into).
QVariantList flattenedContent(const QAbstractItemModel *model);
QList<QModelIndex> flattenedNodes(const QAbstractItemModel *model);
// The item of a node and the first node whose item is the object.
QVariant objectForNode(const QModelIndex &node);
QModelIndex treeNodeForObject(const QAbstractItemModel *model, const QVariant &object);
// The path of the object's node; empty when the object is not in the tree.
IndexPath indexPathToObject(const QAbstractItemModel *model, const QVariant &object);
// The paths of the objects in their order; objects without a node are left out.
QList<IndexPath> indexPathsToObjects(const QAbstractItemModel *model, const QVariantList &objects);
// The node after the one at the path among its siblings; invalid after the last.
QModelIndex nextSiblingOfNodeAtIndexPath(const QAbstractItemModel *model, const IndexPath &path);
QModelIndex nextSiblingOfNode(const QModelIndex &node);

} // namespace NTXNSTreeController
