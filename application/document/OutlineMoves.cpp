#include "application/document/OutlineMoves.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentEdits.h"
#include "application/tree/NodeRelease.h"
#include "platform/document/Document.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"
#include "platform/drawing/MenuItemTitle.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UndoManager.h"

#include <QMenu>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace OutlineMoves {

namespace {

QString localizedText(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// Whether moving the nodes (all of this tree) to the index of the target leaves
// every child of the target where it is.
bool leavesEverythingInPlace(const QList<NodePtr> &nodes, const Node &target, qsizetype index)
{
    QList<Node *> children;
    for (const NodePtr &child : target.childEnumerator())
        children << child.get();
    QList<Node *> moved;
    for (const NodePtr &node : nodes) {
        if (node->parent() != &target)
            return false;
        moved << node.get();
    }
    QList<Node *> after;
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (!moved.contains(children.at(i)))
            after << children.at(i);
        else if (i < index)
            --index;
    }
    index = std::clamp<qsizetype>(index, 0, after.size());
    for (qsizetype i = 0; i < moved.size(); ++i)
        after.insert(index + i, moved.at(i));
    return after == children;
}

void addGroups(QMenu *menu, const DocumentContext &document, const Node &node, int depth)
{
    for (const NodePtr &child : node.childEnumerator()) {
        if (child->type() != Node::Group)
            continue;
        const QString indent(depth * 4, QLatin1Char(' '));
        QAction *item = platform::MenuItemValidation::addItem(
            menu, indent + platform::MenuItemTitle::fromUserText(child->itemName()), "moveSelectionToGroup:",
            QKeySequence(), &document.platformDocument());
        platform::MenuItemValidation::setRepresentedObject(item, QVariant::fromValue(child));
        addGroups(menu, document, *child, depth + 1);
    }
}

} // namespace

QList<NodePtr> movableNodes(const DocumentContext &document, const QList<NodePtr> &nodes)
{
    QList<NodePtr> movable = Node::minimumNodeCoverFromNodesInArray(nodes);
    movable.removeIf([&document](const NodePtr &node) {
        return !node || (node->type() != Node::Job && node->type() != Node::Group)
               || !document.outlineModel()->indexForNode(node.get()).isValid();
    });
    return movable;
}

QList<NodePtr> movableInto(const QList<NodePtr> &movable, const Node &target)
{
    if (target.isDescendantOfNodeInArray(movable))
        return {};
    return movable;
}

QList<NodePtr> movableInto(const DocumentContext &document, const QList<NodePtr> &nodes, const Node &target)
{
    return movableInto(movableNodes(document, nodes), target);
}

QList<NodePtr> movableToGroup(const QList<NodePtr> &movable, const Node &target)
{
    const bool allThere = std::all_of(movable.cbegin(), movable.cend(), [&target](const NodePtr &node) {
        return node->parent() == &target;
    });
    return allThere ? QList<NodePtr>() : movableInto(movable, target);
}

void move(const DocumentContext &document, DocumentEdits &edits, const QList<NodePtr> &nodes, const NodePtr &target, qsizetype index)
{
    QList<NodePtr> moving = target ? movableInto(document, nodes, *target) : QList<NodePtr>();
    if (target) {
        index = std::clamp<qsizetype>(index, 0, target->childrenCount());
        if (leavesEverythingInPlace(moving, *target, index))
            moving.clear();
    }
    // Nothing moves: no step, and the rows and their selection stay as they are (a large
    // selection is not read and made again for nothing).
    if (moving.isEmpty())
        return;
    QList<QVariant> selection;
    QTreeView *outline = document.outlineView();
    if (outline)
        selection = NTXOutlineViewExtension::allSelectedItems(outline);
    std::optional<DocumentOutlineModel::EditBatch> batch(std::in_place, document.outlineModel());
    // The last first: no sibling behind moves more than once when they are taken from
    // the end, and undo puts them back front to back.
    for (auto it = moving.crbegin(); it != moving.crend(); ++it) {
        const NodePtr &node = *it;
        const NodePtr parent = Node::shared(node->parent());
        if (!parent)
            continue;
        if (parent == target && parent->indexOfChild(node.get()) < index)
            --index;
        edits.deleteNode(node, parent);
    }
    edits.insertNodes(moving, target, index);
    document.platformDocument().undoManager()->setActionName(localizedText("LSUDDragAndDrop"));
    // The moved rows show (the place they went to opens), then take the selection they
    // had.
    batch.reset();
    document.displayActivatedJob();
    if (outline) {
        // Not inside a larger batch of edits: its rows reach the outline at its end.
        for (Node *place = target.get(); place && place != document.jobList().get()
             && !document.outlineModel()->isInEditBatch(); place = place->parent())
            outline->expand(document.outlineModel()->indexForNode(place));
        NTXOutlineViewExtension::selectItems(outline, selection, false);
    }
    // The window follows the rows selected and shown now: a row that went into a closed
    // group left the shown selection at the batch's end, and selecting it again once
    // the group opened changes nothing the selection model tells.
    document.reloadOutline();
}

void emptyMenu(QMenu *menu)
{
    QList<NodePtr> groups;
    for (QAction *item : menu->actions()) {
        const QVariant object = platform::MenuItemValidation::representedObject(item);
        if (object.metaType() == QMetaType::fromType<NodePtr>()) {
            groups << object.value<NodePtr>();
            platform::MenuItemValidation::setRepresentedObject(item, QVariant());
        }
    }
    NodeRelease::release(std::move(groups));
    menu->clear();
}

void fillMenu(QMenu *menu, const DocumentContext &document)
{
    emptyMenu(menu);
    addGroups(menu, document, *document.jobList(), 0);
    if (!menu->isEmpty())
        menu->addSeparator();
    platform::MenuItemValidation::addItem(menu, localizedText("LSMenuMoveToTopLevel"), "moveSelectionToGroup:",
                                          QKeySequence(), &document.platformDocument());
    platform::MenuMnemonics::assign(menu);
}

} // namespace OutlineMoves
