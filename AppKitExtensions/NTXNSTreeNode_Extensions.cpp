#include "AppKitExtensions/NTXNSTreeNode_Extensions.h"

namespace NTXNSTreeNode_Extensions {

namespace {

// Deeper trees than this are not walked further: guards against models whose
// parents loop.
constexpr int MaximumDepth = 10000;

enum class Keep { All, Groups, Leaves };

void walk(const QAbstractItemModel *model, const QModelIndex &node, Keep keep, QList<QModelIndex> &found, int depth)
{
    if (depth > MaximumDepth)
        return;
    const QList<QModelIndex> children = childNodes(model, node);
    for (const QModelIndex &child : children) {
        const bool leaf = isLeaf(child);
        if (keep == Keep::All || (keep == Keep::Groups && !leaf) || (keep == Keep::Leaves && leaf))
            found.append(child);
        if (!leaf)
            walk(model, child, keep, found, depth + 1);
    }
}

QList<QModelIndex> walkFrom(const QModelIndex &node, Keep keep)
{
    QList<QModelIndex> found;
    if (node.isValid())
        walk(node.model(), node.siblingAtColumn(0), keep, found, 0);
    return found;
}

} // namespace

IndexPath indexPath(const QModelIndex &node)
{
    IndexPath path;
    int depth = 0;
    for (QModelIndex i = node; i.isValid() && depth < MaximumDepth; i = i.parent(), ++depth)
        path.prepend(i.row());
    return path;
}

bool isLeaf(const QModelIndex &node)
{
    return !node.isValid() ? false : !node.model()->hasChildren(node.siblingAtColumn(0));
}

QList<QModelIndex> childNodes(const QAbstractItemModel *model, const QModelIndex &node)
{
    QList<QModelIndex> children;
    if (!model || (node.isValid() && node.model() != model))
        return children;
    const QModelIndex parent = node.isValid() ? node.siblingAtColumn(0) : QModelIndex();
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row)
        children.append(model->index(row, 0, parent));
    return children;
}

QList<QModelIndex> descendants(const QModelIndex &node)
{
    return walkFrom(node, Keep::All);
}

QList<QModelIndex> groupDescendants(const QModelIndex &node)
{
    return walkFrom(node, Keep::Groups);
}

QList<QModelIndex> leafDescendants(const QModelIndex &node)
{
    return walkFrom(node, Keep::Leaves);
}

QList<QModelIndex> siblings(const QModelIndex &node)
{
    if (!node.isValid())
        return {};
    return childNodes(node.model(), node.parent());
}

bool isDescendantOfNode(const QModelIndex &node, const QModelIndex &other)
{
    if (!node.isValid() || !other.isValid() || node.model() != other.model())
        return false;
    const QModelIndex target = other.siblingAtColumn(0);
    int depth = 0;
    for (QModelIndex i = node.siblingAtColumn(0).parent(); i.isValid() && depth < MaximumDepth; i = i.parent(), ++depth) {
        if (i == target)
            return true;
    }
    return false;
}

bool isSiblingOfNode(const QModelIndex &node, const QModelIndex &other)
{
    return node.isValid() && other.isValid() && node.model() == other.model() && node.parent() == other.parent();
}

bool isSiblingOfOrDescendantOfNode(const QModelIndex &node, const QModelIndex &other)
{
    return isSiblingOfNode(node, other) || isDescendantOfNode(node, other);
}

IndexPath adjacentIndexPath(const QModelIndex &node)
{
    return NTXNSIndexPath_Extensions::indexPathByIncrementingLastIndex(indexPath(node));
}

IndexPath nextSiblingIndexPath(const QModelIndex &node)
{
    if (!node.isValid())
        return {};
    const QModelIndex parent = node.parent();
    IndexPath path = indexPath(parent);
    path.append(node.model()->rowCount(parent));
    return path;
}

IndexPath nextChildIndexPath(const QModelIndex &node)
{
    if (!node.isValid())
        return {};
    if (isLeaf(node))
        return nextSiblingIndexPath(node);
    IndexPath path = indexPath(node);
    path.append(node.model()->rowCount(node.siblingAtColumn(0)));
    return path;
}

} // namespace NTXNSTreeNode_Extensions
