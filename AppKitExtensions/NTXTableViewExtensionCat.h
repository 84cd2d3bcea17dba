#pragma once
// Fits table and outline columns to their widest cell.
#include <QList>

class QTableView;
class QTreeView;

namespace NTXTableViewExtensionCat {

// For each column in the list's order: the widest size hint of the column's cells
// over every row (0 without rows), raised to the header's minimum section size.
void adjustWidthForTableColumns(QTableView *tableView, const QList<int> &columns);
// The same for the top-level rows of an outline.
void adjustWidthForTableColumns(QTreeView *outlineView, const QList<int> &columns);

} // namespace NTXTableViewExtensionCat
