#pragma once
// The columns of a document's outline view and the document's stored window state:
// a column is known by the identifier its model answers under
// DocumentValuesStore::ColumnIdentifierRole ("outlineName", …), so a stored order
// and stored widths survive any reordering of the model's columns.
// Stateless; GUI thread only (it reads and moves header sections). Never throws;
// a null view or header does nothing.
#include <QString>

class DocumentValuesStore;
class QHeaderView;
class QTreeView;

class OutlineColumns
{
public:
    OutlineColumns() = delete;

    // Keeps the outline's columns in the store: one TableColumnData (identifier and
    // width) per header section, in the order shown; with a fit (OutlineColumnFit)
    // the width each column was given, whatever the window's width makes it show.
    // Sets the store available.
    static void store(DocumentValuesStore &values, const QTreeView *outlineView);
    // Applies the stored columns to the outline: each stored column that names a
    // column of the outline gets its width and moves to the next position, in the
    // stored order. Unknown identifiers are skipped (so positions stay within the
    // header); a width that is not a positive number below
    // DocumentValuesStore::MaximumColumnWidth is not applied.
    static void restore(const DocumentValuesStore &values, QTreeView *outlineView);

    // The identifier of a header section (null when the model gives none) and the
    // logical section of an identifier (-1 for none).
    static QString columnIdentifier(const QHeaderView *header, int logicalIndex);
    static int logicalIndexForColumnIdentifier(const QHeaderView *header, const QString &identifier);
};
