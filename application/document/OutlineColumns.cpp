#include "application/document/OutlineColumns.h"

#include "application/document/OutlineColumnFit.h"

#include "application/tree/DocumentValuesStore.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <cmath>

QString OutlineColumns::columnIdentifier(const QHeaderView *header, int logicalIndex)
{
    if (!header || !header->model() || logicalIndex < 0 || logicalIndex >= header->count())
        return QString();
    const QVariant value =
        header->model()->headerData(logicalIndex, header->orientation(), DocumentValuesStore::ColumnIdentifierRole);
    return value.isValid() ? value.toString() : QString();
}

int OutlineColumns::logicalIndexForColumnIdentifier(const QHeaderView *header, const QString &identifier)
{
    if (!header || identifier.isNull())
        return -1;
    for (int logical = 0; logical < header->count(); ++logical) {
        if (columnIdentifier(header, logical) == identifier)
            return logical;
    }
    return -1;
}

void OutlineColumns::store(DocumentValuesStore &values, const QTreeView *outlineView)
{
    QList<TableColumnData> columns;
    const QHeaderView *header = outlineView ? outlineView->header() : nullptr;
    // A column keeps the width it was given, not the one the window's width lets it show.
    const OutlineColumnFit *fit = OutlineColumnFit::of(outlineView);
    if (header) {
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            const int width = fit ? fit->storedWidth(logical) : header->sectionSize(logical);
            columns.append(TableColumnData(columnIdentifier(header, logical), float(width)));
        }
    }
    values.setTableColumnArray(columns);
    values.setAvailable(true);
}

void OutlineColumns::restore(const DocumentValuesStore &values, QTreeView *outlineView)
{
    QHeaderView *header = outlineView ? outlineView->header() : nullptr;
    if (!header)
        return;
    int position = 0;
    for (const TableColumnData &column : values.tableColumnArray()) {
        const int logical = logicalIndexForColumnIdentifier(header, column.identifier());
        if (logical < 0)
            continue;
        const float width = column.width();
        if (std::isfinite(width) && width > 0.0f && width < DocumentValuesStore::MaximumColumnWidth)
            header->resizeSection(logical, std::max(int(std::lround(width)), header->minimumSectionSize()));
        const int target = std::min(position, header->count() - 1);
        const int from = header->visualIndex(logical);
        if (from >= 0 && from != target)
            header->moveSection(from, target);
        ++position;
    }
}
