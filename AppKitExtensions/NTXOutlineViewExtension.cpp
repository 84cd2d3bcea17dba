#include "AppKitExtensions/NTXOutlineViewExtension.h"

#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "AppKitExtensions/NTXOutlineViewEventFilter.h"

#include <QApplication>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QHash>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <utility>
#include <vector>

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

// Calls visit(parent, row) with each selected row that is shown (row: its column 0), in
// the order of the selection's ranges, until it answers false; a row that two ranges hold
// comes twice.
// Whether the rows under a parent are shown (the parent under the root and expanded,
// with each ancestor) is found once for each parent, not once for each row, so that a
// selection of a hundred thousand rows (tens of thousands of ranges) takes a moment.
template<typename Visit>
void forEachSelectedShownRowOfRanges(const QTreeView *view, Visit visit)
{
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return;
    const QModelIndex root = view->rootIndex();
    // Each parent's answer is kept and built on its own parent's: every index above the
    // selected rows is looked at once (the view's isExpanded makes a persistent index
    // for each question).
    QHash<QModelIndex, bool> parentShown;
    const std::function<bool(const QModelIndex &, int)> rowsShownUnder = [&](const QModelIndex &parent, int depth) {
        if (parent == root)
            return true;
        if (!parent.isValid() || depth > 100000)
            return false;
        const auto known = parentShown.constFind(parent);
        if (known != parentShown.cend())
            return *known;
        const QModelIndex above = parent.parent();
        const bool shown = parent.column() == 0 && !view->isRowHidden(parent.row(), above) && view->isExpanded(parent)
                           && rowsShownUnder(above, depth + 1);
        parentShown.insert(parent, shown);
        return shown;
    };
    // A model that says every row can be selected is not asked row by row.
    const auto *mapping = dynamic_cast<const NTXOutlineItemMapping *>(view->model());
    const bool everyRowSelectable = mapping && mapping->everyRowSelectable();
    // The selection model leaves out the ranges that are no longer valid.
    const QItemSelection ranges = selection->selection();
    for (const QItemSelectionRange &range : ranges) {
        const QAbstractItemModel *model = range.model();
        if (model != view->model())
            continue;
        const QModelIndex parent = range.parent();
        if (!rowsShownUnder(parent, 0))
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r) {
            const QModelIndex row = model->index(r, 0, parent);
            // A row counts when one of its selected cells can be selected (as the
            // selection's indexes are).
            bool selectable = everyRowSelectable && row.isValid();
            for (int c = range.left(); c <= range.right() && !selectable; ++c) {
                const Qt::ItemFlags flags = model->flags(c == 0 ? row : model->index(r, c, parent));
                selectable = flags.testFlag(Qt::ItemIsSelectable) && flags.testFlag(Qt::ItemIsEnabled);
            }
            if (!selectable || view->isRowHidden(r, parent))
                continue;
            if (!visit(parent, row))
                return;
        }
    }
}

// Calls visit with each selected row that is shown (column 0), once, in the order of the
// selection's ranges, until it answers false.
template<typename Visit>
void forEachSelectedShownRow(const QTreeView *view, Visit visit)
{
    QSet<QModelIndex> seen;
    forEachSelectedShownRowOfRanges(view, [&](const QModelIndex &, const QModelIndex &row) {
        if (seen.contains(row))
            return true;
        seen.insert(row);
        return visit(row);
    });
}

// The selected rows that are shown, column 0, in the order shown.
// Whole rows of the parent (rows sorted, each once) as one range for each run of
// consecutive rows. Taken without the Rows flag, such ranges go into the selection
// model as they are instead of being merged one by one.
void appendRowRuns(QItemSelection &selection, const QAbstractItemModel &model, const QModelIndex &parent,
                   const QList<int> &rows)
{
    const int lastColumn = model.columnCount(parent) - 1;
    if (lastColumn < 0)
        return;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype end = i + 1;
        while (end < rows.size() && rows.at(end) == rows.at(end - 1) + 1)
            ++end;
        selection.append(QItemSelectionRange(model.index(rows.at(i), 0, parent), model.index(rows.at(end - 1), lastColumn, parent)));
        i = end;
    }
}

QList<QModelIndex> selectedShownRows(const QTreeView *view)
{
    // The selected rows gathered under their parents (the rows of a range share their
    // parent: it is looked up once for the range), each parent with its path.
    struct Parent {
        QModelIndex index;
        QList<int> path;
        QList<QModelIndex> rows;
    };
    std::vector<Parent> parents;
    QHash<QModelIndex, std::size_t> parentAt;
    std::size_t last = 0;
    forEachSelectedShownRowOfRanges(view, [&](const QModelIndex &parent, const QModelIndex &row) {
        if (parents.empty() || parents[last].index != parent) {
            const auto known = parentAt.constFind(parent);
            if (known != parentAt.cend()) {
                last = *known;
            } else {
                last = parents.size();
                parentAt.insert(parent, last);
                parents.push_back({parent, pathOf(parent), {}});
            }
        }
        parents[last].rows.append(row);
        return true;
    });
    // The parents in the order of their paths (each before those below it), each one's
    // rows in order and once. There are far fewer parents than rows: the rows are put in
    // the order shown by merging, not by sorting them all.
    std::vector<Parent *> order;
    order.reserve(parents.size());
    qsizetype count = 0;
    const auto byRow = [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); };
    for (Parent &parent : parents) {
        if (!std::is_sorted(parent.rows.cbegin(), parent.rows.cend(), byRow))
            std::sort(parent.rows.begin(), parent.rows.end(), byRow);
        parent.rows.erase(std::unique(parent.rows.begin(), parent.rows.end()), parent.rows.end());
        count += parent.rows.size();
        order.push_back(&parent);
    }
    const auto byPath = [](const Parent *a, const Parent *b) { return a->path < b->path; };
    if (!std::is_sorted(order.cbegin(), order.cend(), byPath))
        std::sort(order.begin(), order.end(), byPath);
    // Whether the parent lies below the row `at` of `above` or a row before it: it then
    // comes, with the rows below it, before that row's next.
    const auto belowRowBefore = [](const Parent &below, const Parent &above, int at) {
        const QList<int> &a = above.path;
        const QList<int> &b = below.path;
        return b.size() > a.size() && std::equal(a.cbegin(), a.cend(), b.cbegin()) && b.at(a.size()) < at;
    };
    // A walk down the parents: a parent's rows are shown in order, each followed by the
    // parents below it (deeper parents come right after their ancestors in path order).
    struct Step {
        const Parent *parent;
        qsizetype next;
    };
    QList<QModelIndex> rows;
    rows.reserve(count);
    std::vector<Step> walk;
    std::size_t nextParent = 0;
    while (nextParent < order.size() || !walk.empty()) {
        if (walk.empty()) {
            walk.push_back({order[nextParent++], 0});
            continue;
        }
        Step &step = walk.back();
        const Parent &parent = *step.parent;
        const int at = step.next < parent.rows.size() ? parent.rows.at(step.next).row() : std::numeric_limits<int>::max();
        if (nextParent < order.size() && belowRowBefore(*order[nextParent], parent, at)) {
            walk.push_back({order[nextParent++], 0});
            continue;
        }
        if (step.next < parent.rows.size()) {
            rows.append(parent.rows.at(step.next));
            ++step.next;
            continue;
        }
        walk.pop_back();
    }
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
    // The current row when it is selected and shown, without reading the whole selection
    // (the selection model finds the range that holds it; rows are selected whole).
    const QModelIndex current = outlineView->currentIndex().siblingAtColumn(0);
    if (current.isValid() && isShown(outlineView, current) && outlineView->selectionModel()->isSelected(current)
        && current.flags().testFlag(Qt::ItemIsEnabled))
        return itemAtIndex(outlineView, current);
    const QList<QModelIndex> rows = selectedShownRows(outlineView);
    if (rows.isEmpty())
        return QVariant();
    return itemAtIndex(outlineView, rows.last());
}

qsizetype selectedItemCount(const QTreeView *outlineView, qsizetype limit)
{
    qsizetype count = 0;
    if (!outlineView || limit <= 0)
        return count;
    forEachSelectedShownRow(outlineView, [&](const QModelIndex &row) {
        if (itemAtIndex(outlineView, row).isValid())
            ++count;
        return count < limit;
    });
    return count;
}

QList<QModelIndex> selectedShownRowIndexes(const QTreeView *outlineView)
{
    return outlineView ? selectedShownRows(outlineView) : QList<QModelIndex>();
}

QList<QVariant> allSelectedItems(const QTreeView *outlineView)
{
    QList<QVariant> items;
    if (!outlineView)
        return items;
    const QList<QModelIndex> rows = selectedShownRows(outlineView);
    items.reserve(rows.size());
    // The model's mapping looked up once, not for each row.
    const auto *mapping = dynamic_cast<const NTXOutlineItemMapping *>(outlineView->model());
    for (const QModelIndex &row : rows) {
        const QVariant item = !mapping ? itemAtIndex(outlineView, row)
                              : row.isValid() && row.model() == outlineView->model() ? mapping->itemForIndex(row)
                                                                                     : QVariant();
        if (item.isValid())
            items.append(item);
    }
    return items;
}

void selectItems(QTreeView *outlineView, const QList<QVariant> &items, bool byExtendingSelection)
{
    if (!outlineView || !outlineView->selectionModel())
        return;
    // The rows under each parent, as runs of whole rows: a range for each item, which
    // the selection model would merge with every one before it, takes seconds for
    // tens of thousands of items.
    std::map<QModelIndex, QList<int>> rowsByParent;
    for (const QVariant &item : items) {
        const QModelIndex index = indexForItem(outlineView, item);
        if (isShown(outlineView, index))
            rowsByParent[index.parent()].append(index.row());
    }
    // The parents in the order the outline shows them (see selectAllShownRows).
    std::vector<std::pair<QList<int>, std::pair<const QModelIndex, QList<int>> *>> parents;
    parents.reserve(rowsByParent.size());
    for (auto &entry : rowsByParent)
        parents.emplace_back(pathOf(entry.first), &entry);
    std::sort(parents.begin(), parents.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QItemSelection selection;
    for (auto &[path, entry] : parents) {
        QList<int> &rows = entry->second;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        appendRowRuns(selection, *outlineView->model(), entry->first, rows);
    }
    if (selection.isEmpty() && byExtendingSelection)
        return;
    outlineView->selectionModel()->select(selection, byExtendingSelection ? QItemSelectionModel::Select
                                                                          : QItemSelectionModel::ClearAndSelect);
}

void selectAllShownRows(QTreeView *outlineView)
{
    QAbstractItemModel *model = outlineView ? outlineView->model() : nullptr;
    QItemSelectionModel *selection = outlineView ? outlineView->selectionModel() : nullptr;
    const QAbstractItemView::SelectionMode mode = outlineView ? outlineView->selectionMode() : QAbstractItemView::NoSelection;
    if (!model || !selection || (mode != QAbstractItemView::ExtendedSelection && mode != QAbstractItemView::MultiSelection))
        return;
    // The ranges in the order the outline shows their parents (each parent before the
    // rows below it, siblings top to bottom): Qt's view asks the selection model for
    // each cell it paints, and the model tries the ranges in order until one holds the
    // cell, so the rows in view find theirs among the first ranges once the outline
    // shows its top.
    QItemSelection all;
    QList<QModelIndex> parents{outlineView->rootIndex()};
    while (!parents.isEmpty()) {
        const QModelIndex parent = parents.takeLast();
        if (model->columnCount(parent) <= 0)
            continue;
        const int rowCount = model->rowCount(parent);
        QList<int> shown;
        const qsizetype below = parents.size();
        for (int r = 0; r < rowCount; ++r) {
            if (outlineView->isRowHidden(r, parent))
                continue;
            shown.append(r);
            const QModelIndex row = model->index(r, 0, parent);
            // The model answers hasChildren from its own tree; the view's isExpanded
            // asks for the row's flags and makes a persistent index (most rows are leaves).
            if (model->hasChildren(row) && outlineView->isExpanded(row))
                parents.append(row);
        }
        // The first open row is taken next.
        std::reverse(parents.begin() + below, parents.end());
        appendRowRuns(all, *model, parent, shown);
    }
    // Whole rows already: without the Rows flag the selection model takes the ranges
    // as they are instead of merging them one by one.
    selection->select(all, QItemSelectionModel::ClearAndSelect);
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
