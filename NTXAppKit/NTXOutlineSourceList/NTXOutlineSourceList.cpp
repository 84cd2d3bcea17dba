#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCalls.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCellDelegate.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListDataSource.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListModel.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListSelectionModel.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>
#include <array>

using namespace NTXOutlineSourceListCalls;

namespace {

struct Registration
{
    const QString *name;
    const char *method;
};

// The seven notifications, each with the delegate method that receives it.
const std::array<Registration, 7> &registrations()
{
    static const std::array<Registration, 7> table{{
        {&NTXOutlineSourceList::SelectionIsChangingNotification, "sourceListSelectionIsChanging"},
        {&NTXOutlineSourceList::SelectionDidChangeNotification, "sourceListSelectionDidChange"},
        {&NTXOutlineSourceList::ItemWillExpandNotification, "sourceListItemWillExpand"},
        {&NTXOutlineSourceList::ItemDidExpandNotification, "sourceListItemDidExpand"},
        {&NTXOutlineSourceList::ItemWillCollapseNotification, "sourceListItemWillCollapse"},
        {&NTXOutlineSourceList::ItemDidCollapseNotification, "sourceListItemDidCollapse"},
        {&NTXOutlineSourceList::DeleteKeyPressedOnRowsNotification, "sourceListDeleteKeyPressedOnRows"},
    }};
    return table;
}

} // namespace

NTXOutlineSourceList::NTXOutlineSourceList(QWidget *parent)
    : QTreeView(parent)
    , m_model(new NTXOutlineSourceListModel(this))
    , m_selection(nullptr)
    , m_cells(new NTXOutlineSourceListCellDelegate(this))
{
    setModel(m_model);
    m_selection = new NTXOutlineSourceListSelectionModel(m_model, this);
    QItemSelectionModel *previous = selectionModel();
    setSelectionModel(m_selection);
    delete previous;
    setItemDelegate(m_cells);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(16);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDropIndicatorShown(true);
    NTXOutlineViewExtension::setDelegate(this, this);
    NTXOutlineViewExtension::setHandlesEventsItself(this, true);
}

NTXOutlineSourceList::~NTXOutlineSourceList()
{
    if (m_delegate)
        for (const Registration &r : registrations())
            platform::NotificationCenter::defaultCenter().removeObserver(m_delegate, *r.name, this);
}

// ---- Wiring ----

void NTXOutlineSourceList::setDataSource(QObject *dataSource)
{
    m_dataSource = dataSource;
    setDragEnabled(implements(dataSource, "sourceListWriteItemsToPasteboard"));
    setAcceptDrops(implements(dataSource, "sourceListValidateDropProposedItemProposedChildIndex"));
    reloadData();
}

void NTXOutlineSourceList::setDelegate(QObject *delegate)
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    if (m_delegate)
        for (const Registration &r : registrations())
            center.removeObserver(m_delegate, *r.name, this);
    m_delegate = delegate;
    if (!delegate)
        return;
    for (const Registration &r : registrations()) {
        if (!implements(delegate, r.method))
            continue;
        QPointer<QObject> target(delegate);
        const char *method = r.method;
        center.addObserver(delegate, *r.name, this, [target, method](const platform::Notification &notification) {
            if (target)
                tell(target.data(), method, notification);
        });
    }
}

// ---- Settings ----

void NTXOutlineSourceList::setIconSize(const QSizeF &size)
{
    m_iconSize = size;
    if (size.height() > m_rowHeight && size.height() > 0)
        m_iconSize = QSizeF(size.width() * m_rowHeight / size.height(), m_rowHeight);
    viewport()->update();
}

void NTXOutlineSourceList::setRowHeight(qreal height)
{
    m_rowHeight = std::max<qreal>(1, height);
    doItemsLayout();
}

bool NTXOutlineSourceList::allowsEmptySelection() const
{
    return m_selection->allowsEmptySelection();
}

void NTXOutlineSourceList::setAllowsEmptySelection(bool allows)
{
    m_selection->setAllowsEmptySelection(allows);
}

// ---- Content ----

void NTXOutlineSourceList::reloadData()
{
    QVariantList expanded;
    const QList<int> before = selectedRows();
    std::vector<NTXOutlineSourceListModel::ItemRecord> itemsBefore;
    for (int row : before)
        itemsBefore.push_back(m_model->recordForIndex(indexOfRow(row)));
    QList<int> selected = before;
    for (const QModelIndex &index : shownRows()) {
        if (isExpanded(index))
            expanded.append(m_model->itemForIndex(index));
    }
    m_model->reload();
    m_model->rowCount();
    // Items that are still there open again, quietly: nothing changed for the user.
    for (const QVariant &item : std::as_const(expanded)) {
        const QModelIndex index = m_model->indexForItem(item);
        if (index.isValid() && m_model->hasChildren(index)) {
            m_model->rowCount(index);
            QTreeView::expand(index);
        }
    }
    if (qobject_cast<NTXOutlineSourceListDataSource *>(m_dataSource.data())
        && implements(m_delegate, "sourceListIsGroupAlwaysExpanded")) {
        for (int group = 0; group < numberOfGroups(); ++group) {
            const QModelIndex index = m_model->index(group, 0);
            if (isAlwaysExpandedIndex(index))
                expandIndex(index);
        }
    }
    for (int group = 0; group < m_model->rowCount(); ++group)
        setFirstColumnSpanned(group, QModelIndex(), true);
    const int rows = numberOfRows();
    selected.removeIf([rows](int row) { return row >= rows; });
    const QList<int> repaired = repairedSelection(selected);
    QItemSelection restored;
    for (int row : repaired) {
        const QModelIndex index = indexOfRow(row);
        restored.select(index, index);
    }
    // The same rows holding the same items again are no change for the delegate; any
    // other selected item is, also one that took a removed item's row.
    bool same = repaired == before;
    for (qsizetype i = 0; same && i < repaired.size(); ++i)
        same = itemsBefore[size_t(i)].isStill(itemAtRow(repaired.at(i)));
    m_quietSelection = same;
    m_selectionPosted = false;
    m_selection->restore(restored);
    m_quietSelection = false;
    // A selection the reload emptied (its rows are gone) changes nothing in the
    // selection model, which the reload had cleared: told here.
    if (!same && !m_selectionPosted)
        post(SelectionDidChangeNotification);
}

QList<int> NTXOutlineSourceList::repairedSelection(const QList<int> &selected) const
{
    const QList<QModelIndex> rows = shownRows();
    if (selected.isEmpty()) {
        if (allowsEmptySelection())
            return {};
        for (int row = 0; row < rows.size(); ++row) {
            if (!isGroupIndex(rows.at(row)))
                return {row};
        }
        return {};
    }
    if (!isGroupIndex(rows.value(selected.first())))
        return selected;
    // Row 0 is always a heading: the walk ends before it.
    for (int row = selected.first() - 1; row > 0; --row) {
        if (!isGroupIndex(rows.at(row)))
            return {row};
    }
    return {};
}

QList<QModelIndex> NTXOutlineSourceList::shownRows() const
{
    QList<QModelIndex> rows;
    for (QModelIndex index = m_model->index(0, 0); index.isValid(); index = indexBelow(index))
        rows.append(index);
    return rows;
}

int NTXOutlineSourceList::numberOfRows() const
{
    return int(shownRows().size());
}

QModelIndex NTXOutlineSourceList::indexOfRow(int row) const
{
    if (row < 0)
        return QModelIndex();
    QModelIndex index = m_model->index(0, 0);
    for (int i = 0; i < row && index.isValid(); ++i)
        index = indexBelow(index);
    return index;
}

int NTXOutlineSourceList::rowOfIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const QModelIndex row = index.siblingAtColumn(0);
    int number = 0;
    for (QModelIndex i = m_model->index(0, 0); i.isValid(); i = indexBelow(i), ++number) {
        if (i == row)
            return number;
    }
    return -1;
}

QVariant NTXOutlineSourceList::itemAtRow(int row) const
{
    return m_model->itemForIndex(indexOfRow(row));
}

int NTXOutlineSourceList::rowForItem(const QVariant &item) const
{
    return rowOfIndex(m_model->indexForItem(item));
}

QList<int> NTXOutlineSourceList::selectedRows() const
{
    QList<int> rows;
    int number = 0;
    for (QModelIndex i = m_model->index(0, 0); i.isValid(); i = indexBelow(i), ++number) {
        if (m_selection->isSelected(i))
            rows.append(number);
    }
    return rows;
}

void NTXOutlineSourceList::selectRows(const QList<int> &rows, bool byExtendingSelection)
{
    QItemSelection selection;
    for (int row : rows) {
        const QModelIndex index = indexOfRow(row);
        if (index.isValid())
            selection.select(index, index);
    }
    m_selection->select(selection, (byExtendingSelection ? QItemSelectionModel::Select
                                                         : QItemSelectionModel::ClearAndSelect)
                                       | QItemSelectionModel::Rows);
}

bool NTXOutlineSourceList::isItemExpanded(const QVariant &item) const
{
    return isExpanded(m_model->indexForItem(item));
}

void NTXOutlineSourceList::expandItem(const QVariant &item)
{
    expandIndex(m_model->indexForItem(item));
}

void NTXOutlineSourceList::collapseItem(const QVariant &item)
{
    collapseIndex(m_model->indexForItem(item));
}

void NTXOutlineSourceList::expandIndex(const QModelIndex &index)
{
    if (!index.isValid() || isExpanded(index) || !m_model->hasChildren(index))
        return;
    const QVariantMap info{{ItemKey, m_model->itemForIndex(index)}};
    post(ItemWillExpandNotification, info);
    QTreeView::expand(index);
    post(ItemDidExpandNotification, info);
}

void NTXOutlineSourceList::collapseIndex(const QModelIndex &index)
{
    if (!index.isValid() || !isExpanded(index) || isAlwaysExpandedIndex(index))
        return;
    const QVariantMap info{{ItemKey, m_model->itemForIndex(index)}};
    post(ItemWillCollapseNotification, info);
    QTreeView::collapse(index);
    post(ItemDidCollapseNotification, info);
}

void NTXOutlineSourceList::userExpand(const QModelIndex &index)
{
    if (!index.isValid() || isExpanded(index) || !m_model->hasChildren(index))
        return;
    if (!ask<bool>(m_delegate, "sourceListShouldExpandItem", this, m_model->itemForIndex(index)).value_or(true))
        return;
    expandIndex(index);
}

void NTXOutlineSourceList::userCollapse(const QModelIndex &index)
{
    if (!index.isValid() || !isExpanded(index) || isAlwaysExpandedIndex(index))
        return;
    if (!ask<bool>(m_delegate, "sourceListShouldCollapseItem", this, m_model->itemForIndex(index)).value_or(true))
        return;
    collapseIndex(index);
}

void NTXOutlineSourceList::userToggle(const QModelIndex &index)
{
    if (isExpanded(index))
        userCollapse(index);
    else
        userExpand(index);
}

void NTXOutlineSourceList::post(const QString &name, const QVariantMap &userInfo)
{
    platform::NotificationCenter::defaultCenter().post(name, this, userInfo);
}

// ---- Groups ----

int NTXOutlineSourceList::numberOfGroups() const
{
    return std::max(0, askDataSource(m_dataSource.data(), "sourceListNumberOfChildrenOfItem", 0, [&](auto *d) {
                        return d->sourceListNumberOfChildrenOfItem(const_cast<NTXOutlineSourceList *>(this), QVariant());
                    }));
}

bool NTXOutlineSourceList::isGroupIndex(const QModelIndex &index) const
{
    return index.isValid() && !index.parent().isValid();
}

bool NTXOutlineSourceList::isGroupItem(const QVariant &item) const
{
    return isGroupIndex(m_model->indexForItem(item));
}

bool NTXOutlineSourceList::isAlwaysExpandedIndex(const QModelIndex &index) const
{
    return isGroupIndex(index)
        && ask<bool>(m_delegate, "sourceListIsGroupAlwaysExpanded", const_cast<NTXOutlineSourceList *>(this),
                     m_model->itemForIndex(index))
               .value_or(false);
}

bool NTXOutlineSourceList::isGroupAlwaysExpanded(const QVariant &item) const
{
    return isAlwaysExpandedIndex(m_model->indexForItem(item));
}

bool NTXOutlineSourceList::shouldEditItem(const QVariant &item) const
{
    if (isGroupItem(item) || !implements(m_dataSource, "sourceListSetObjectValueForItem"))
        return false;
    return ask<bool>(m_delegate, "sourceListShouldEditItem", const_cast<NTXOutlineSourceList *>(this), item)
        .value_or(true);
}

qreal NTXOutlineSourceList::heightOfRowByItem(const QVariant &item) const
{
    return ask<double>(m_delegate, "sourceListHeightOfRowByItem", const_cast<NTXOutlineSourceList *>(this), item)
        .value_or(m_rowHeight);
}

// ---- Forwarded ----

QVariant NTXOutlineSourceList::itemForPersistentObject(const QVariant &object) const
{
    return ask<QVariant>(m_dataSource, "sourceListItemForPersistentObject", const_cast<NTXOutlineSourceList *>(this),
                         object)
        .value_or(QVariant());
}

QVariant NTXOutlineSourceList::persistentObjectForItem(const QVariant &item) const
{
    return ask<QVariant>(m_dataSource, "sourceListPersistentObjectForItem", const_cast<NTXOutlineSourceList *>(this),
                         item)
        .value_or(QVariant());
}

QStringList NTXOutlineSourceList::namesOfPromisedFilesDroppedAtDestination(const QUrl &destination,
                                                                          const QVariantList &items) const
{
    return ask<QStringList>(m_dataSource, "sourceListNamesOfPromisedFilesDroppedAtDestinationForDraggedItems",
                            const_cast<NTXOutlineSourceList *>(this), destination, items)
        .value_or(QStringList());
}

bool NTXOutlineSourceList::respondsToSelector(const QByteArray &name) const
{
    return name != "selectAll";
}

void NTXOutlineSourceList::selectAll()
{
}

// ---- Events ----

void NTXOutlineSourceList::keyPressEvent(QKeyEvent *event)
try {
    const QList<int> rows = selectedRows();
    const int key = event->key();
    if (!rows.isEmpty() && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
        post(DeleteKeyPressedOnRowsNotification, {{RowsKey, QVariant::fromValue(rows)}});
        return;
    }
    if (rows.size() == 1 && (key == Qt::Key_Up || key == Qt::Key_Down) && !(event->modifiers() & Qt::ShiftModifier)) {
        const int step = key == Qt::Key_Down ? 1 : -1;
        const QList<QModelIndex> shown = shownRows();
        for (int row = rows.first() + step; row >= 0 && row < shown.size(); row += step) {
            if (!isGroupIndex(shown.at(row))) {
                m_selection->select(shown.at(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                m_selection->setCurrentIndex(shown.at(row), QItemSelectionModel::NoUpdate);
                scrollTo(shown.at(row));
                break;
            }
        }
        return;
    }
    // Expanding and collapsing are asked for first.
    const bool expands = key == Qt::Key_Right || key == Qt::Key_Plus || key == Qt::Key_Asterisk;
    const bool collapses = key == Qt::Key_Left || key == Qt::Key_Minus;
    if (expands || collapses) {
        if (rows.size() == 1) {
            const QModelIndex index = indexOfRow(rows.first());
            if (expands)
                userExpand(index);
            else
                userCollapse(index);
        }
        return;
    }
    if (NTXOutlineViewExtension::keyDown(this, event))
        return;
    QTreeView::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void NTXOutlineSourceList::mousePressEvent(QMouseEvent *event)
try {
    m_buttonDown = true;
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (index.isValid() && event->button() == Qt::LeftButton) {
        if (branchRect(index).contains(event->position())) {
            userToggle(index);
            return;
        }
        const QVariant item = m_model->itemForIndex(index);
        if (isGroupIndex(index)
            || !ask<bool>(m_delegate, "sourceListShouldSelectItem", this, item).value_or(true)) {
            setFocus(Qt::MouseFocusReason);
            return;
        }
        if (implements(m_delegate, "sourceListSelectionIndexesForProposedSelection")) {
            QList<int> proposal{rowOfIndex(index)};
            if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
                proposal = selectedRows() << proposal.first();
            const QList<int> answer =
                ask<QList<int>>(m_delegate, "sourceListSelectionIndexesForProposedSelection", this, proposal)
                    .value_or(proposal);
            setFocus(Qt::MouseFocusReason);
            selectRows(answer, false);
            m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            return;
        }
    }
    QTreeView::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXOutlineSourceList::mouseReleaseEvent(QMouseEvent *event)
try {
    QTreeView::mouseReleaseEvent(event);
    m_buttonDown = event->buttons() != Qt::NoButton;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void NTXOutlineSourceList::mouseDoubleClickEvent(QMouseEvent *event)
try {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton && (isGroupIndex(index) || m_model->hasChildren(index))) {
        userToggle(index);
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseDoubleClickEvent");
}

QMenu *NTXOutlineSourceList::menuForEvent(QContextMenuEvent *event)
{
    if (implements(m_delegate, "sourceListMenuForEventItem")) {
        const QVariant item = m_model->itemForIndex(indexAt(event->pos()));
        if (QMenu *menu = ask<QMenu *>(m_delegate, "sourceListMenuForEventItem", this, event, item).value_or(nullptr))
            return menu;
    }
    return NTXOutlineViewExtension::menuForEvent(this, event->pos());
}

void NTXOutlineSourceList::contextMenuEvent(QContextMenuEvent *event)
try {
    if (QMenu *menu = menuForEvent(event)) {
        menu->exec(event->globalPos());
        event->accept();
        return;
    }
    event->ignore();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "contextMenuEvent");
}

void NTXOutlineSourceList::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (m_quietSelection)
        return;
    if (m_buttonDown)
        post(SelectionIsChangingNotification);
    m_selectionPosted = true;
    post(SelectionDidChangeNotification);
}

// ---- Drops ----

bool NTXOutlineSourceList::dropTarget(QDropEvent *event, QVariant *item, int *childIndex)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    switch (dropIndicatorPosition()) {
    case QAbstractItemView::OnItem:
        *item = m_model->itemForIndex(index);
        *childIndex = -1;
        return true;
    case QAbstractItemView::AboveItem:
    case QAbstractItemView::BelowItem:
        *item = m_model->itemForIndex(index.parent());
        *childIndex = index.row() + (dropIndicatorPosition() == QAbstractItemView::BelowItem ? 1 : 0);
        return true;
    case QAbstractItemView::OnViewport:
        *item = QVariant();
        *childIndex = -1;
        return true;
    }
    return false;
}

void NTXOutlineSourceList::dragMoveEvent(QDragMoveEvent *event)
try {
    QTreeView::dragMoveEvent(event);
    QVariant item;
    int childIndex = -1;
    const int operation = dropTarget(event, &item, &childIndex)
        ? ask<int>(m_dataSource, "sourceListValidateDropProposedItemProposedChildIndex", this,
                   static_cast<QDropEvent *>(event), item, childIndex)
              .value_or(0)
        : 0;
    if (operation == 0) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::DropAction(operation));
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dragMoveEvent");
}

void NTXOutlineSourceList::dragLeaveEvent(QDragLeaveEvent *event)
try {
    QTreeView::dragLeaveEvent(event);
    tell(m_dataSource, "sourceListDraggingEnded", this, static_cast<QEvent *>(event));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dragLeaveEvent");
}

void NTXOutlineSourceList::dropEvent(QDropEvent *event)
try {
    QVariant item;
    int childIndex = -1;
    const bool accepted = dropTarget(event, &item, &childIndex)
        && ask<bool>(m_dataSource, "sourceListAcceptDropItemChildIndex", this, event, item, childIndex).value_or(false);
    if (accepted)
        event->acceptProposedAction();
    else
        event->ignore();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    tell(m_dataSource, "sourceListDraggingEnded", this, static_cast<QEvent *>(event));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dropEvent");
}
