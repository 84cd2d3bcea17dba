#include "AppKitExtensions/NTXNSTreeController.h"

#include "AppKitExtensions/NTXOutlineItemMapping.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace NTXNSTreeController {

using namespace NTXNSTreeNode_Extensions;

QList<QModelIndex> rootNodes(const QAbstractItemModel *model)
{
    return childNodes(model, QModelIndex());
}

QModelIndex nodeAtIndexPath(const QAbstractItemModel *model, const IndexPath &path)
{
    if (!model || path.isEmpty())
        return QModelIndex();
    QModelIndex node;
    for (qsizetype row : path) {
        if (row < 0 || row >= model->rowCount(node))
            return QModelIndex();
        node = model->index(static_cast<int>(row), 0, node);
    }
    return node;
}

QList<QModelIndex> selectedNodes(const QItemSelectionModel *controller)
{
    QList<QModelIndex> nodes;
    if (!controller)
        return nodes;
    const QModelIndexList indexes = controller->selectedIndexes();
    for (const QModelIndex &index : indexes) {
        const QModelIndex node = index.siblingAtColumn(0);
        if (!nodes.contains(node))
            nodes.append(node);
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return indexPath(a) < indexPath(b); });
    return nodes;
}

void selectNone(QItemSelectionModel *controller)
{
    if (controller)
        controller->clearSelection();
}

void selectParentFromSelection(QItemSelectionModel *controller)
{
    const QList<QModelIndex> nodes = selectedNodes(controller);
    if (nodes.isEmpty())
        return;
    const QModelIndex parent = nodes.first().parent();
    if (!parent.isValid()) {
        controller->clearSelection();
        return;
    }
    controller->select(parent, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    controller->setCurrentIndex(parent, QItemSelectionModel::NoUpdate);
}

IndexPath indexPathForInsertion(const QItemSelectionModel *controller)
{
    if (!controller || !controller->model())
        return {};
    const QAbstractItemModel *model = controller->model();
    const QList<QModelIndex> nodes = selectedNodes(controller);
    if (nodes.isEmpty())
        return IndexPath{model->rowCount()};
    if (nodes.size() == 1) {
        const QModelIndex node = nodes.first();
        if (!isLeaf(node)) {
            IndexPath path = indexPath(node);
            path.append(0);
            return path;
        }
        if (node.parent().isValid())
            return adjacentIndexPath(node);
        return IndexPath{model->rowCount()};
    }
    return adjacentIndexPath(nodes.last());
}

QList<QModelIndex> flattenedNodes(const QAbstractItemModel *model)
{
    QList<QModelIndex> nodes;
    const QList<QModelIndex> roots = rootNodes(model);
    for (const QModelIndex &root : roots) {
        nodes.append(root);
        if (!isLeaf(root))
            nodes.append(descendants(root));
    }
    return nodes;
}

QVariant objectForNode(const QModelIndex &node)
{
    if (!node.isValid())
        return QVariant();
    if (const auto *mapping = dynamic_cast<const NTXOutlineItemMapping *>(node.model()))
        return mapping->itemForIndex(node);
    return QVariant::fromValue(node.siblingAtColumn(0));
}

QVariantList flattenedContent(const QAbstractItemModel *model)
{
    QVariantList content;
    const QList<QModelIndex> nodes = flattenedNodes(model);
    for (const QModelIndex &node : nodes)
        content.append(objectForNode(node));
    return content;
}

QModelIndex treeNodeForObject(const QAbstractItemModel *model, const QVariant &object)
{
    if (!model || !object.isValid())
        return QModelIndex();
    const QList<QModelIndex> nodes = flattenedNodes(model);
    for (const QModelIndex &node : nodes) {
        if (objectForNode(node) == object)
            return node;
    }
    return QModelIndex();
}

IndexPath indexPathToObject(const QAbstractItemModel *model, const QVariant &object)
{
    const QModelIndex node = treeNodeForObject(model, object);
    return node.isValid() ? indexPath(node) : IndexPath();
}

QList<IndexPath> indexPathsToObjects(const QAbstractItemModel *model, const QVariantList &objects)
{
    QList<IndexPath> paths;
    for (const QVariant &object : objects) {
        const QModelIndex node = treeNodeForObject(model, object);
        if (node.isValid())
            paths.append(indexPath(node));
    }
    return paths;
}

QModelIndex nextSiblingOfNodeAtIndexPath(const QAbstractItemModel *model, const IndexPath &path)
{
    return nodeAtIndexPath(model, NTXNSIndexPath_Extensions::indexPathByIncrementingLastIndex(path));
}

QModelIndex nextSiblingOfNode(const QModelIndex &node)
{
    if (!node.isValid())
        return QModelIndex();
    return nextSiblingOfNodeAtIndexPath(node.model(), indexPath(node));
}

} // namespace NTXNSTreeController
