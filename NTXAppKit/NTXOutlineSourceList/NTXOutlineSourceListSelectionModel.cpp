#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListSelectionModel.h"

NTXOutlineSourceListSelectionModel::NTXOutlineSourceListSelectionModel(QAbstractItemModel *model, QObject *parent)
    : QItemSelectionModel(model, parent)
{
}

QItemSelection NTXOutlineSourceListSelectionModel::withoutHeadings(const QItemSelection &selection)
{
    QItemSelection result;
    // Top-level rows are headings; a range lies under one parent.
    for (const QItemSelectionRange &range : selection) {
        if (range.parent().isValid())
            result.append(range);
    }
    return result;
}

void NTXOutlineSourceListSelectionModel::select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    select(index.isValid() ? QItemSelection(index, index) : QItemSelection(), command);
}

void NTXOutlineSourceListSelectionModel::select(const QItemSelection &selection,
                                                QItemSelectionModel::SelectionFlags command)
{
    if (m_restoring) {
        QItemSelectionModel::select(selection, command);
        return;
    }
    const QItemSelection filtered = withoutHeadings(selection);
    if (filtered.isEmpty() && (command & QItemSelectionModel::Clear) && !m_allowsEmptySelection)
        return;
    QItemSelectionModel::select(filtered, command);
}

void NTXOutlineSourceListSelectionModel::restore(const QItemSelection &selection)
{
    m_restoring = true;
    QItemSelectionModel::select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_restoring = false;
}
