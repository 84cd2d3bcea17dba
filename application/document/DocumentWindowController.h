#pragma once
// The wiring of a document window once it was made: the outline's columns, cells,
// delegate and signals, the window's buttons and colour-label picker, the toolbar,
// the totals row, the outline's context menu and the row last clicked; and the
// window state stored in the document (frame, inspector, columns), applied on load
// and captured before a save. Actions go to the document. On the outline F2 and
// Return open the selected row's sheet as a double click on it does; the outline's
// data source follows the outline in the responder chain (Edit > Delete). The
// outline has the keyboard when its window opens, on a selected current row, and
// moves it with the keys as tree views do (OutlineKeyboard).
//
// Owned by its MyDocument (a child object); the window belongs to the document. A
// stored frame that is not finite or out of bounds is not applied (the window keeps
// its size, or its place when only the position is unusable). GUI thread only;
// nothing here throws.
#include "application/tree/Node.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <optional>
#include <vector>

class DocumentContext;
class DocumentCounter;
class DocumentToolbar;
class DocumentTotals;
class DocumentValuesStore;
class OutlineDataSource;
class WindowControllerHost;
class OutlineKeyboard;

class QItemSelectionModel;

class DocumentWindowController : public QObject
{
    Q_OBJECT
public:
    // The document, seen through what its collaborators are given (DocumentContext.h)
    // and what only the wiring asks of it (WindowControllerHost.h); the stored window
    // state (the document's values).
    DocumentWindowController(const DocumentContext &context, DocumentValuesStore &docValues,
                             WindowControllerHost &document);
    // The collaborators the wiring connects, made after the controller (each is
    // followed while it lives).
    void setCollaborators(OutlineDataSource &dataSource, DocumentTotals &totals, DocumentCounter &counter,
                          DocumentToolbar &toolbar);
    ~DocumentWindowController() override;

    // Connects and fills the document's window, once, after it was made.
    void awakeFromNib();
    bool isLoaded() const { return m_loaded; }
    // Applies the stored window state (frame, inspector, columns).
    void applyStoredWindowState();
    // Stores the window's frame, inspector visibility and columns in the document.
    void captureWindowState();
    // Cuts what awakeFromNib() tied to the document; the window is about to go.
    void windowWillTearDown();

    // The outline's context menu: empty after load, filled for each click.
    QMenu *outlineMenu() const { return m_outlineMenu; }
    // Fills the context menu with the items for the node's row and answers it; a
    // node of no kind the menu serves (none, the root) leaves it empty and answers
    // null. A job's first item starts or stops its counter (no target: the action
    // goes along the responder chain to the application controller); the others go
    // to the document and are usable only while it counts no time.
    QMenu *fillOutlineMenu(const NodePtr &node);
    // Whether the sender is an item of the outline's context menu.
    bool isOutlineMenuItem(QObject *sender) const;
    // Whether a row of the outline was clicked (and still exists).
    bool hasClickedRow() const { return m_clickedIndex.isValid(); }
    // The node a menu item of the outline's context menu stands for, else the node
    // of the outline's clicked (or selected) row.
    NodePtr nodeForSender(QObject *sender, bool clickedRow) const;
    // The nodes of the outline's selected rows that are shown, in the order shown (none
    // without a window). Read once and kept until the selection, the outline's rows or
    // their opening change (the window, the totals and the menus' validation ask for
    // them many times a command, and reading a selection of a hundred thousand rows
    // takes a while); read anew each time inside an edit batch.
    QList<NodePtr> selectedNodes() const;
    // Watches the outline's selection model for the changes that end the kept selected
    // nodes; called as soon as the outline has its model, before anything else watches
    // it (a watcher called earlier would be given the nodes kept from before).
    void watchSelection();
    // Of those, the ones Move to Group would move (OutlineMoves::movableNodes), for menu
    // validation: read once in a delivery of the event loop and kept until the selection
    // changes or the delivery ends, so that the menu's items, one a group, read a large
    // selection once. The command itself reads the selection anew.
    const QList<NodePtr> &movableSelectionForValidation() const;
    // A double click on a row (or its menu item): the sheet that edits the node,
    // unless the counter runs.
    void handleDoubleClick(QObject *sender);
    // Makes the node's row the outline's current row and its only selected one,
    // opening its ancestors and scrolling to it (a node a sheet made or changed).
    void selectNode(const NodePtr &node);
    // Shows the inspector when hidden, else hides it (nothing without a window).
    void toggleDrawer();

    // The document window placed last that is still shown (new windows cascade
    // from it); null when none is.
    static QWidget *lastDocumentWindow(const QWidget *except = nullptr);

protected:
    // F2 and Return on the outline.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QList<QPointer<QWidget>> &placedWindows();
    void connectOutline();
    void forgetSelectedNodes() noexcept;
    NodePtr nodeAtIndex(const QModelIndex &index) const;
    bool sendToDocument(const char *method, QObject *sender, int function = -1);

    bool counterRuns() const;

    const DocumentContext &m_context;
    DocumentValuesStore &m_docValues;
    WindowControllerHost &m_document;
    QPointer<OutlineDataSource> m_dataSource;
    QPointer<DocumentTotals> m_totals;
    QPointer<DocumentCounter> m_counter;
    QPointer<DocumentToolbar> m_toolbar;
    QPointer<QMenu> m_outlineMenu;
    QPersistentModelIndex m_clickedIndex;
    QPointer<OutlineKeyboard> m_keyboard;
    bool m_loaded = false;
    mutable std::optional<QList<NodePtr>> m_validationMovable;
    mutable std::optional<QList<NodePtr>> m_selectedNodes;
    QPointer<QItemSelectionModel> m_watchedSelection;
    std::vector<QMetaObject::Connection> m_selectionWatches;
};
