#pragma once
// Helpers and event handling shared by every outline view (QTreeView) of the process.
//
// Return in an in-place editor commits the edit and ends editing without moving on to
// the next item (Tab still moves on, as item views do); the outline keeps the focus.
//
// Selection helpers read and change the view's selection in terms of items (see
// NTXOutlineItemMapping). The event handling — context menu, delete and arrow keys,
// Return at the end of in-place editing, and the end of a drag — is installed once for
// the whole application with install(), as an application-wide event filter: outline
// views are created by code we do not own (dialogs, designer forms), and a filter
// reaches every one of them without a common base class.
//
// The outline's delegate is a QObject set with setDelegate(). It takes part by
// declaring any of these Q_INVOKABLE methods; each is looked up before every call
// (the parameter types must be exactly these):
//     QMenu *outlineViewMenuForTableColumnItem(QTreeView *outlineView, int column, const QVariant &item);
//     void outlineViewDidReceiveDelete(QTreeView *outlineView, QKeyEvent *event);
//     void outlineViewDraggingExited(QTreeView *outlineView, QDragLeaveEvent *event);
//     void outlineViewConcludeDragOperation(QTreeView *outlineView, QDropEvent *event);
// `column` is the model column under the pointer. An outline view that is its own
// delegate always answers outlineViewDidReceiveDelete (doing nothing unless it
// declares the method), so the delete keys stop there.
#include <QList>
#include <QPoint>
#include <QVariant>

class QDragLeaveEvent;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QObject;
class QTreeView;

namespace NTXOutlineViewExtension {

// Installs the event handling for every outline view of the application; calling it
// again does nothing. Needs the application object.
void install();
bool isInstalled();

// An outline view class that handles keys and context menus itself first (as a
// subclass would before calling its base class) asks the filter to step aside for its
// key presses, right clicks and context-menu events, and calls keyDown() and
// menuForEvent() itself for what it leaves to the outline. Drag ends and Return in
// editors are still handled here.
void setHandlesEventsItself(QTreeView *outlineView, bool handlesItself);
bool handlesEventsItself(const QTreeView *outlineView);

// The outline's delegate (held weakly; null for none).
void setDelegate(QTreeView *outlineView, QObject *delegate);
QObject *delegate(const QTreeView *outlineView);

// ---- Items ----
QVariant itemAtIndex(const QTreeView *outlineView, const QModelIndex &index);
QModelIndex indexForItem(const QTreeView *outlineView, const QVariant &item);

// ---- Selection helpers ----
// The item of the selected row: the current row when it is selected (the row most
// recently selected), else the last selected row; an invalid QVariant with no selection.
QVariant selectedItem(const QTreeView *outlineView);
// The items of all selected rows in ascending row order (top to bottom as shown);
// rows without an item are skipped. Empty with no selection.
QList<QVariant> allSelectedItems(const QTreeView *outlineView);
// The same rows as indexes of the outline's model (column 0), for a caller that maps
// them to its items itself.
QList<QModelIndex> selectedShownRowIndexes(const QTreeView *outlineView);
// How many selected rows have an item, counted up to the limit: whether there are
// any, or more than one, without reading a large selection whole.
qsizetype selectedItemCount(const QTreeView *outlineView, qsizetype limit);
// Selects exactly the rows of the items that are shown, or adds them to the selection
// when extending; items that are not shown are skipped. An empty list without
// extending clears the selection.
void selectItems(QTreeView *outlineView, const QList<QVariant> &items, bool byExtendingSelection);
// Selects every shown row (Select All) in one step: one range of whole rows for each
// run of shown rows under one parent. The item view's own select-all adds its ranges
// one at a time, each merged with all before it, which takes minutes for a tree of a
// hundred thousand open rows. The current row stays; nothing happens in a view that
// selects one row or none.
void selectAllShownRows(QTreeView *outlineView);

// ---- The handled operations, callable directly ----
// The context menu for a point of the viewport: none outside every row or column,
// none when the delegate has no menu operation, else the delegate's answer. Never
// changes the selection.
QMenu *menuForEvent(QTreeView *outlineView, const QPoint &viewportPosition);
// Delete (Backspace) and forward delete to the delegate, the right arrow expands and
// the left arrow collapses the single selected row; answers whether the key was
// consumed here (false: the view handles it as a plain item view).
bool keyDown(QTreeView *outlineView, QKeyEvent *event);
// The outline view's own delete operation: does nothing.
void outlineViewDidReceiveDelete(QTreeView *outlineView, QKeyEvent *event);

} // namespace NTXOutlineViewExtension
