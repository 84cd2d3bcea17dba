#include "AppKitExtensions/NTXOutlineViewExtension.h"

#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "AppKitExtensions/NTXOutlineViewEventFilter.h"

#include <QApplication>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>
#include <algorithm>

namespace NTXOutlineViewExtension {

namespace {

const char *const DelegateProperty = "_NTXOutlineViewDelegate";
const char *const HandlesItselfProperty = "_NTXOutlineViewHandlesEventsItself";

QPointer<NTXOutlineViewEventFilter> &installedFilter()
{
    static QPointer<NTXOutlineViewEventFilter> filter;
    return filter;
}

QMetaMethod delegateMethod(const QObject *delegate, const char *signature)
{
    if (!delegate)
        return {};
    const QMetaObject *meta = delegate->metaObject();
    const int index = meta->indexOfMethod(QMetaObject::normalizedSignature(signature).constData());
    return index < 0 ? QMetaMethod() : meta->method(index);
}

// The index path of an index, outermost first: the order of rows as an outline shows them.
QList<int> pathOf(const QModelIndex &index)
{
    QList<int> path;
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        path.prepend(i.row());
    return path;
}

// Whether the row of the index is shown: under the root, not hidden, every ancestor expanded.
bool isShown(const QTreeView *view, const QModelIndex &index)
{
    if (!index.isValid() || index.model() != view->model())
        return false;
    const QModelIndex root = view->rootIndex();
    QModelIndex current = index.siblingAtColumn(0);
    for (int depth = 0; depth < 100000; ++depth) {
        const QModelIndex parent = current.parent();
        if (view->isRowHidden(current.row(), parent))
            return false;
        if (parent == root)
            return true;
        if (!parent.isValid())
            return false; // not below the root
        if (!view->isExpanded(parent))
            return false;
        current = parent;
    }
    return false;
}

// The selected rows that are shown, column 0, in the order shown.
QList<QModelIndex> selectedShownRows(const QTreeView *view)
{
    QList<QModelIndex> rows;
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return rows;
    const QModelIndexList indexes = selection->selectedIndexes();
    for (const QModelIndex &index : indexes) {
        const QModelIndex row = index.siblingAtColumn(0);
        if (!rows.contains(row) && isShown(view, row))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return pathOf(a) < pathOf(b); });
    return rows;
}

} // namespace

void install()
{
    if (installedFilter() || !QCoreApplication::instance())
        return;
    auto *filter = new NTXOutlineViewEventFilter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
    installedFilter() = filter;
}

bool isInstalled()
{
    return !installedFilter().isNull();
}

void setHandlesEventsItself(QTreeView *outlineView, bool handlesItself)
{
    if (outlineView)
        outlineView->setProperty(HandlesItselfProperty, handlesItself);
}

bool handlesEventsItself(const QTreeView *outlineView)
{
    return outlineView && outlineView->property(HandlesItselfProperty).toBool();
}

void setDelegate(QTreeView *outlineView, QObject *delegate)
{
    if (!outlineView)
        return;
    outlineView->setProperty(DelegateProperty, QVariant::fromValue(QPointer<QObject>(delegate)));
}

QObject *delegate(const QTreeView *outlineView)
{
    if (!outlineView)
        return nullptr;
    return outlineView->property(DelegateProperty).value<QPointer<QObject>>().data();
}

QVariant itemAtIndex(const QTreeView *outlineView, const QModelIndex &index)
{
    if (!outlineView || !index.isValid() || index.model() != outlineView->model())
        return QVariant();
    if (const auto *mapping = dynamic_cast<const NTXOutlineItemMapping *>(outlineView->model()))
        return mapping->itemForIndex(index);
    return QVariant::fromValue(index.siblingAtColumn(0));
}

QModelIndex indexForItem(const QTreeView *outlineView, const QVariant &item)
{
    if (!outlineView || !outlineView->model() || !item.isValid())
        return QModelIndex();
    if (const auto *mapping = dynamic_cast<const NTXOutlineItemMapping *>(outlineView->model())) {
        const QModelIndex index = mapping->indexForItem(item);
        return index.model() == outlineView->model() ? index.siblingAtColumn(0) : QModelIndex();
    }
    QModelIndex index;
    if (item.metaType() == QMetaType::fromType<QModelIndex>())
        index = item.value<QModelIndex>();
    else if (item.metaType() == QMetaType::fromType<QPersistentModelIndex>())
        index = item.value<QPersistentModelIndex>();
    return index.model() == outlineView->model() ? index.siblingAtColumn(0) : QModelIndex();
}

QVariant selectedItem(const QTreeView *outlineView)
{
    if (!outlineView || !outlineView->selectionModel())
        return QVariant();
    const QList<QModelIndex> rows = selectedShownRows(outlineView);
    if (rows.isEmpty())
        return QVariant();
    const QModelIndex current = outlineView->currentIndex().siblingAtColumn(0);
    if (rows.contains(current))
        return itemAtIndex(outlineView, current);
    return itemAtIndex(outlineView, rows.last());
}

QList<QVariant> allSelectedItems(const QTreeView *outlineView)
{
    QList<QVariant> items;
    if (!outlineView)
        return items;
    const QList<QModelIndex> rows = selectedShownRows(outlineView);
    for (const QModelIndex &row : rows) {
        const QVariant item = itemAtIndex(outlineView, row);
        if (item.isValid())
            items.append(item);
    }
    return items;
}

void selectItems(QTreeView *outlineView, const QList<QVariant> &items, bool byExtendingSelection)
{
    if (!outlineView || !outlineView->selectionModel())
        return;
    QItemSelection selection;
    for (const QVariant &item : items) {
        const QModelIndex index = indexForItem(outlineView, item);
        if (isShown(outlineView, index))
            selection.select(index, index);
    }
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Rows;
    flags |= byExtendingSelection ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
    if (selection.isEmpty() && byExtendingSelection)
        return;
    outlineView->selectionModel()->select(selection, flags);
}

QMenu *menuForEvent(QTreeView *outlineView, const QPoint &viewportPosition)
{
    if (!outlineView)
        return nullptr;
    const int column = outlineView->columnAt(viewportPosition.x());
    const QModelIndex index = outlineView->indexAt(viewportPosition);
    if (column < 0 || !index.isValid())
        return nullptr;
    QObject *target = delegate(outlineView);
    const QMetaMethod method =
        delegateMethod(target, "outlineViewMenuForTableColumnItem(QTreeView*,int,QVariant)");
    if (!method.isValid())
        return nullptr;
    QMenu *menu = nullptr;
    const QVariant item = itemAtIndex(outlineView, index);
    if (!method.invoke(target, Qt::DirectConnection, Q_RETURN_ARG(QMenu *, menu), Q_ARG(QTreeView *, outlineView),
                       Q_ARG(int, column), Q_ARG(QVariant, item)))
        return nullptr;
    return menu;
}

void outlineViewDidReceiveDelete(QTreeView *, QKeyEvent *)
{
}

bool keyDown(QTreeView *outlineView, QKeyEvent *event)
{
    if (!outlineView || !event)
        return false;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        QObject *target = delegate(outlineView);
        const QMetaMethod method = delegateMethod(target, "outlineViewDidReceiveDelete(QTreeView*,QKeyEvent*)");
        if (method.isValid()) {
            method.invoke(target, Qt::DirectConnection, Q_ARG(QTreeView *, outlineView), Q_ARG(QKeyEvent *, event));
            return true;
        }
        if (target == outlineView) {
            outlineViewDidReceiveDelete(outlineView, event);
            return true;
        }
        return false;
    }
    case Qt::Key_Right: {
        const QList<QModelIndex> rows = selectedShownRows(outlineView);
        if (rows.size() == 1 && outlineView->model()->hasChildren(rows.first()))
            outlineView->expand(rows.first());
        return true;
    }
    case Qt::Key_Left: {
        const QList<QModelIndex> rows = selectedShownRows(outlineView);
        if (rows.size() == 1 && outlineView->model()->hasChildren(rows.first()) && outlineView->isExpanded(rows.first()))
            outlineView->collapse(rows.first());
        return true;
    }
    default:
        return false;
    }
}

} // namespace NTXOutlineViewExtension
