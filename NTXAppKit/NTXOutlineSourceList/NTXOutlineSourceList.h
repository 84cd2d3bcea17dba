#pragma once
// An outline in the style of a sidebar. The top-level items are group headings that
// can never be selected; the items below them show an icon on the left and a numeric
// badge on the right; a group can be held open for good. The list answers its own
// model from a second data source (NTXOutlineSourceListDataSource) and reports to a
// second delegate, and turns selection and expansion changes and the delete keys
// into seven notifications on the default NotificationCenter, with the list as
// object.
//
// The delegate is a QObject that takes part by declaring any of these Q_INVOKABLE
// methods (looked up by name before every call; the types must be exactly these):
//     bool sourceListIsGroupAlwaysExpanded(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QMenu *sourceListMenuForEventItem(NTXOutlineSourceList *sourceList, QContextMenuEvent *event, const QVariant &item);
//     bool sourceListShouldExpandItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     bool sourceListShouldCollapseItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     platform::Cell *sourceListDataCellForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     void sourceListWillDisplayCellForItem(NTXOutlineSourceList *sourceList, platform::Cell *cell, const QVariant &item);
//     bool sourceListShouldSelectItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QList<int> sourceListSelectionIndexesForProposedSelection(NTXOutlineSourceList *sourceList, const QList<int> &rows);
//     bool sourceListShouldEditItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     double sourceListHeightOfRowByItem(NTXOutlineSourceList *sourceList, const QVariant &item);
// and, for the notifications, one method per notification taking it:
//     void sourceListSelectionIsChanging(const platform::Notification &notification);
//     (sourceListSelectionDidChange, sourceListItemWillExpand, sourceListItemDidExpand,
//      sourceListItemWillCollapse, sourceListItemDidCollapse, sourceListDeleteKeyPressedOnRows)
// The delegate is registered for a notification only when it has that method. A cell
// the delegate answers stays the delegate's; the list draws a copy.
//
// Qt's tree view expands and collapses without asking anybody first, so the list
// takes the gestures itself (clicks on the disclosure triangle, double clicks, the
// arrow keys, "+", "*" and "-"): it asks the delegate, posts "…Will…", changes the
// item and posts "…Did…". expandItem() and collapseItem() post the same
// notifications without asking. An always-expanded group shows no triangle, starts
// its cell at x 7 and never collapses.
//
// Rows are the rows as shown, from 0 at the top. Geometry is in viewport
// coordinates. The list is its own outline delegate for NTXOutlineViewExtension: it
// handles its keys and context menu first and leaves the rest to the extension. It
// never offers "select all".
//
// Ownership: the data source and the delegate are not owned (held as QPointer); the
// model and the selection model belong to the list. Failures: what the data source,
// the delegate or an observer of the notifications raises stops at that call
// (reported, counted), also while the list paints or its selection changes; the
// answer is taken as missing. Threads: GUI thread only.
#include <QList>
#include <QPointer>
#include <QSizeF>
#include <QTreeView>
#include <QVariant>

class NTXOutlineSourceListModel;
class NTXOutlineSourceListSelectionModel;
class NTXOutlineSourceListCellDelegate;
class QMenu;

class NTXOutlineSourceList : public QTreeView
{
    Q_OBJECT
public:
    static inline const QString SelectionIsChangingNotification = QStringLiteral("NTXOutlineSourceListSelectionIsChanging");
    static inline const QString SelectionDidChangeNotification = QStringLiteral("NTXOutlineSourceListSelectionDidChange");
    static inline const QString ItemWillExpandNotification = QStringLiteral("NTXOutlineSourceListItemWillExpand");
    static inline const QString ItemDidExpandNotification = QStringLiteral("NTXOutlineSourceListItemDidExpand");
    static inline const QString ItemWillCollapseNotification = QStringLiteral("NTXOutlineSourceListItemWillCollapse");
    static inline const QString ItemDidCollapseNotification = QStringLiteral("NTXOutlineSourceListItemDidCollapse");
    static inline const QString DeleteKeyPressedOnRowsNotification =
        QStringLiteral("NTXOutlineSourceListDeleteKeyPressedOnRows");
    // User info: the item of an expansion notification; the rows (QList<int>) of a delete.
    static inline const QString ItemKey = QStringLiteral("item");
    static inline const QString RowsKey = QStringLiteral("rows");

    // The badge value of an item without badge.
    static constexpr qint64 NoBadgeValue = 2147483647;

    explicit NTXOutlineSourceList(QWidget *parent = nullptr);
    ~NTXOutlineSourceList() override;

    // ---- Wiring ----
    QObject *dataSource() const { return m_dataSource; }
    // Stores the data source (not owned) and reloads.
    void setDataSource(QObject *dataSource);
    QObject *delegate() const { return m_delegate; }
    // Moves the notification registrations from the old delegate to the new one.
    void setDelegate(QObject *delegate);

    // ---- Settings ----
    // The icon drawn before each item below a heading; a height beyond the row height
    // is scaled down to it, keeping the proportions. 16 × 16 at first.
    QSizeF iconSize() const { return m_iconSize; }
    void setIconSize(const QSizeF &size);
    // The height of a row without the delegate's answer. 20 at first.
    qreal rowHeight() const { return m_rowHeight; }
    void setRowHeight(qreal height);
    bool allowsEmptySelection() const;
    void setAllowsEmptySelection(bool allows);

    // ---- Content ----
    // Asks the data source again, re-expands the always-expanded groups and the items
    // that were expanded, and puts back the selected rows, repaired so that no
    // heading stays selected: a heading that comes first gives way to the nearest
    // item row above it, or to none. Without empty selection, the first item row.
    // The delegate hears a selection change whenever the selected rows or the items
    // on them are not the ones from before (another item on the selected row too).
    void reloadData();
    int numberOfRows() const;
    QVariant itemAtRow(int row) const;
    int rowForItem(const QVariant &item) const;
    // The selected rows, ascending.
    QList<int> selectedRows() const;
    // Headings are taken out first; see NTXOutlineSourceListSelectionModel.
    void selectRows(const QList<int> &rows, bool byExtendingSelection);
    bool isItemExpanded(const QVariant &item) const;
    void expandItem(const QVariant &item);
    void collapseItem(const QVariant &item);

    // ---- Groups and badges ----
    int numberOfGroups() const;
    bool isGroupItem(const QVariant &item) const;
    bool isGroupAlwaysExpanded(const QVariant &item) const;
    bool shouldEditItem(const QVariant &item) const;
    bool itemHasBadge(const QVariant &item) const;
    qint64 badgeValueForItem(const QVariant &item) const;
    QSizeF sizeOfBadgeAtRow(int row) const;

    // ---- Geometry ----
    // The disclosure triangle's rectangle; empty for an always-expanded group.
    QRectF frameOfOutlineCellAtRow(int row) const;
    // Where the row's text cell is drawn (the list has one column).
    QRectF frameOfCellAtColumnRow(int column, int row) const;
    qreal heightOfRowByItem(const QVariant &item) const;

    // ---- Forwarded to the data source; Qt has no caller of its own for these ----
    QVariant itemForPersistentObject(const QVariant &object) const;
    QVariant persistentObjectForItem(const QVariant &item) const;
    QStringList namesOfPromisedFilesDroppedAtDestination(const QUrl &destination, const QVariantList &items) const;

    // The context menu for the event: the delegate's, else the outline extension's.
    QMenu *menuForEvent(QContextMenuEvent *event);

    // Declines "selectAll" (see platform::respondsTo).
    Q_INVOKABLE bool respondsToSelector(const QByteArray &name) const;
    // Does nothing: a source list never selects all.
    void selectAll() override;

    // Used by the cell drawing.
    QRectF cellFrame(const QModelIndex &index) const;
    QObject *cellDelegateTarget() const { return m_delegate; }

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    QModelIndex indexOfRow(int row) const;
    int rowOfIndex(const QModelIndex &index) const;
    QList<QModelIndex> shownRows() const;
    bool isGroupIndex(const QModelIndex &index) const;
    bool isAlwaysExpandedIndex(const QModelIndex &index) const;
    QRectF branchRect(const QModelIndex &index) const;
    QSizeF badgeSize(const QModelIndex &index) const;
    // The user's gestures: asked for first, then carried out with the notifications.
    void userExpand(const QModelIndex &index);
    void userCollapse(const QModelIndex &index);
    void userToggle(const QModelIndex &index);
    void expandIndex(const QModelIndex &index);
    void collapseIndex(const QModelIndex &index);
    void post(const QString &name, const QVariantMap &userInfo = {});
    // The rows to select after a reload: no heading stays first.
    QList<int> repairedSelection(const QList<int> &selected) const;
    bool dropTarget(QDropEvent *event, QVariant *item, int *childIndex);
    void drawIcon(QPainter *painter, const QModelIndex &index) const;
    void drawBadge(QPainter *painter, const QModelIndex &index, const QRectF &rect) const;

    QPointer<QObject> m_dataSource;
    QPointer<QObject> m_delegate;
    QSizeF m_iconSize{16, 16};
    qreal m_rowHeight = 20;
    bool m_buttonDown = false;
    bool m_quietSelection = false;
    // A selection-change notice went out (reset by a reload before it restores).
    bool m_selectionPosted = false;
    NTXOutlineSourceListModel *m_model;
    NTXOutlineSourceListSelectionModel *m_selection;
    NTXOutlineSourceListCellDelegate *m_cells;
};
