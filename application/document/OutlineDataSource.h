#pragma once
// What a document's outline shows of its node tree and how each row looks: the
// model's data source, the outline's delegate (the Delete key, and the context menu,
// which the window controller fills) and the drag and drop of jobs and groups. Only the check box of the "executed" flag is
// edited in place. A drag carries no nodes: its data names the data source it comes
// from and the drag, and the receiving side takes the nodes from there, so data
// from another process, from a drag that is over or from a closed document moves
// nothing; a drop from another document copies. A drop that leaves every node where
// it is records no step.
//
// Owned by its MyDocument (a child object); every edit goes through the document's
// undoable operations. GUI thread only; nothing here throws.
#include "application/document/DocumentOutlineModel.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>

class DocumentContext;
class DocumentCounter;
class DocumentEdits;
class DocumentWindowController;
class QAction;
class QDragLeaveEvent;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QTreeView;

namespace platform {
class Cell;
}

class OutlineDataSource : public QObject, public DocumentOutlineDataSource
{
    Q_OBJECT
    Q_MOC_INCLUDE(<QAction>)
    Q_MOC_INCLUDE(<QTreeView>)
    Q_MOC_INCLUDE(<QKeyEvent>)
    Q_MOC_INCLUDE(<QDropEvent>)
public:
    // The private pasteboard type of a drag of jobs and groups, and its MIME format.
    static inline const QString OutlineViewPboardType = QStringLiteral("ChronarkOutlineViewPboardType");
    static inline const QString OutlineViewPboardMimeType = QStringLiteral("application/x-ChronarkOutlineViewPboardType");
    // The document, seen through what its collaborators are given (DocumentContext.h);
    // the window's controller (the context menu).
    OutlineDataSource(const DocumentContext &context, DocumentWindowController &windowController);
    // Made after the data source: the undoable edits (drops, deletions, the executed
    // mark) and the counter (no deleting while it runs).
    void setEdits(DocumentEdits *edits) { m_edits = edits; }
    void setCounter(DocumentCounter *counter);
    ~OutlineDataSource() override;

    // The names of the images rows show (ApplicationImages).
    static QStringList rowImageNames();
    // The base and overlay of each composite image rows show (the active job and group).
    static QList<std::pair<QString, QString>> rowCompositeImageNames();

    // Drops onto groups and between rows; never onto a leaf.
    static constexpr bool AllowOnDropOnGroup = true;
    static constexpr bool AllowOnDropOnLeaf = false;
    static constexpr bool AllowBetweenDrop = true;

    void setColumnTitle(const QString &identifier, const QString &title);
    // The row images of the outline.
    const QIcon &groupImage() const { return m_groupImage; }
    const QIcon &activeGroupImage() const { return m_activeGroupImage; }
    const QIcon &timeImage() const { return m_timeImage; }
    const QIcon &jobImage() const { return m_jobImage; }
    const QIcon &activeJobImage() const { return m_activeJobImage; }
    const QIcon &dayImage() const { return m_dayImage; }

    Node *outlineRootItem() const override;
    NodePtr outlineViewChildOfItem(qsizetype index, Node *item) const override;
    Node *outlineViewChildPointerOfItem(qsizetype index, Node *item) const override;
    bool outlineViewIsItemExpandable(Node *item) const override;
    qsizetype outlineViewNumberOfChildrenOfItem(Node *item) const override;
    QVariant outlineViewObjectValueForTableColumnByItem(const QString &identifier, Node *item) const override;
    QFont outlineViewFontForItem(Node *item) const override;
    QIcon outlineViewImageForItem(Node *item) const override;
    QString outlineViewTitleForTableColumn(const QString &identifier) const override;
    // Prepares a cell of the outline for the row of the item.
    void outlineViewWillDisplayCell(platform::Cell &cell, const QString &identifier, Node *item) const;
    void outlineViewSelectionDidChange();
    bool outlineViewIsItemEditable(const QString &identifier, Node *item) const override;
    bool outlineViewSetObjectValue(const QVariant &value, const QString &identifier, Node *item) override;

    // Jobs and groups may go onto a group and between the rows of the top level and
    // of groups (a null item is the root).
    bool outlineViewAcceptsDropOnItem(Node *item) const override;
    QStringList outlineViewPasteboardTypes() const override;
    // Starts a drag of the jobs and groups among the items (null when there are none).
    QMimeData *outlineViewWriteItems(const QList<NodePtr> &items) override;
    // The operation a drop would be (Qt::IgnoreAction when refused): a move inside
    // this document, a copy from another one. A child index of -1 is a drop onto the
    // item.
    Qt::DropAction outlineViewValidateDrop(const QMimeData *data, Node *item, qsizetype childIndex) const override;
    bool outlineViewAcceptDrop(const QMimeData *data, Node *item, qsizetype childIndex) override;
    // While a drag runs, only groups open.
    bool outlineViewShouldExpandItem(Node *item) const;
    Q_INVOKABLE QMenu *outlineViewMenuForTableColumnItem(QTreeView *outlineView, int column, const QVariant &item);
    Q_INVOKABLE void outlineViewDidReceiveDelete(QTreeView *outlineView, QKeyEvent *event);
    // Edit > Delete: the data source follows the outline in the responder chain, so
    // the item reaches it while the outline has the focus; it deletes as the Delete
    // key does, and is enabled exactly when the key would delete.
    Q_INVOKABLE void deleteSelection(QObject *sender);
    Q_INVOKABLE bool validateMenuItem(QAction *item);
    Q_INVOKABLE void outlineViewDraggingExited(QTreeView *outlineView, QDragLeaveEvent *event);
    Q_INVOKABLE void outlineViewConcludeDragOperation(QTreeView *outlineView, QDropEvent *event);
    // The jobs and groups of the drag in progress (none once its data went).
    const QList<NodePtr> &draggedNodes() const { return m_draggedNodes; }
    bool dragSessionInProgress() const { return m_dragSessionInProgress; }
    // Lets the outline drag and take drops (when the window loads).
    void setupOutlineDragAndDrop();

private:
    // Whether the Delete key would delete the outline's selection now.
    bool canDeleteSelection(QTreeView *outline) const;
    // The data source a drag's data comes from (null for data of no open document
    // or of a drag that is over).
    static OutlineDataSource *dragSource(const QMimeData *data);
    // Moves (or, from another document, copies) the dragged jobs and groups.
    void performDropOperation(const QMimeData *data, const NodePtr &target, qsizetype index);

    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    DocumentEdits *m_edits = nullptr;
    QPointer<DocumentCounter> m_counter;
    QIcon m_groupImage, m_activeGroupImage, m_timeImage, m_jobImage, m_activeJobImage, m_dayImage;
    QHash<QString, QString> m_columnTitles;
    QList<NodePtr> m_draggedNodes;
    bool m_dragSessionInProgress = false;
    quint64 m_dragDocumentId = 0;
    quint64 m_dragSerial = 0;
};
