#include "AppKitExtensions/NTXTableViewExtensionCat.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace NTXTableViewExtensionCat {

namespace {

int widestCell(QAbstractItemView *view, int column, const QModelIndex &parent)
{
    const QAbstractItemModel *model = view->model();
    int widest = 0;
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = QFontMetrics(view->font());
    option.state |= QStyle::State_Enabled;
    option.widget = view;
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model->index(row, column, parent);
        QAbstractItemDelegate *delegate = view->itemDelegateForIndex(index);
        if (!delegate)
            continue;
        widest = std::max(widest, delegate->sizeHint(option, index).width());
    }
    return widest;
}

void adjust(QAbstractItemView *view, QHeaderView *header, const QList<int> &columns)
{
    if (!view || !view->model() || !header)
        return;
    const int columnCount = view->model()->columnCount(view->rootIndex());
    for (int column : columns) {
        if (column < 0 || column >= columnCount)
            continue;
        const int width = widestCell(view, column, view->rootIndex());
        header->resizeSection(column, std::max(width, header->minimumSectionSize()));
    }
}

} // namespace

void adjustWidthForTableColumns(QTableView *tableView, const QList<int> &columns)
{
    adjust(tableView, tableView ? tableView->horizontalHeader() : nullptr, columns);
}

void adjustWidthForTableColumns(QTreeView *outlineView, const QList<int> &columns)
{
    adjust(outlineView, outlineView ? outlineView->header() : nullptr, columns);
}

} // namespace NTXTableViewExtensionCat
