#pragma once
// Moving jobs and groups to another place of the document's tree, as a drop in its
// outline does and as the Document menu's Move to Group does from the keyboard: one
// path for both. Only jobs and groups that hang in the tree move (a job inside a moved
// group moves with it), never into themselves or below; they keep their order, go to
// the index of the target (into a group: at its top), form one undo step named as a
// drag and drop, and the outline selects what it selected before (the place they went
// to opens, so that they show). A move that leaves
// every node where it is records no step.
//
// Plain functions of the given document; GUI thread only. Nothing here throws.
#include "application/tree/Node.h"

#include <QList>

class DocumentContext;
class DocumentEdits;
class QMenu;

// Each function sees the document through what its collaborators are given
// (DocumentContext.h); a move is made of the document's undoable edits.

namespace OutlineMoves {

// The jobs and groups of the nodes that a move would take: those shown in the outline,
// without the ones inside another of them.
QList<NodePtr> movableNodes(const DocumentContext &document, const QList<NodePtr> &nodes);
// The movable nodes (movableNodes()) that can move into the target: all of them, or
// none when the target is one of them or lies below one.
QList<NodePtr> movableInto(const QList<NodePtr> &movable, const Node &target);
// The same from the nodes themselves.
QList<NodePtr> movableInto(const DocumentContext &document, const QList<NodePtr> &nodes, const Node &target);
// What Move to Group offers to move into the target: as movableInto(), but nothing when
// every one of them is in the target already (the menu greys the group they are in).
QList<NodePtr> movableToGroup(const QList<NodePtr> &movable, const Node &target);
// Moves the nodes (of this document's tree) to the index of the target.
void move(const DocumentContext &document, DocumentEdits &edits, const QList<NodePtr> &nodes, const NodePtr &target, qsizetype index);
// Fills the menu with the document's groups (in the outline's order, nested ones
// indented) and then its top level, each sending moveSelectionToGroup: with the place
// as its represented object (none for the top level) to the document. What it held
// goes first (emptyMenu()).
void fillMenu(QMenu *menu, const DocumentContext &document);
// Empties a menu that fillMenu() filled. The groups its items held go to NodeRelease
// first: after the document's tree was replaced, the items may be the last to hold
// the old tree's groups, whose subtrees are then freed a slice per turn.
void emptyMenu(QMenu *menu);

} // namespace OutlineMoves
