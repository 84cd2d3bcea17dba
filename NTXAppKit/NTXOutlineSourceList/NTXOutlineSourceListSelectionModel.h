#pragma once
// The selection of a source list: whatever asks for a selection (a click, a key, a
// drag across rows, code) passes here, and the rows of top-level items (the group
// headings) are taken out before the selection changes. A request that would leave
// the selection empty is dropped when the list does not allow an empty selection.
// Threads: GUI thread only.
#include <QItemSelectionModel>

class NTXOutlineSourceListSelectionModel : public QItemSelectionModel
{
    Q_OBJECT
public:
    explicit NTXOutlineSourceListSelectionModel(QAbstractItemModel *model, QObject *parent = nullptr);

    bool allowsEmptySelection() const { return m_allowsEmptySelection; }
    void setAllowsEmptySelection(bool allows) { m_allowsEmptySelection = allows; }

    void select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override;

    // Selects exactly the given rows, passing the filter by: the source list puts back
    // its repaired selection after a reload, also an empty one where none is allowed.
    // (Headings never stay: their rows are not selectable.)
    void restore(const QItemSelection &selection);

    // The selection less every heading row.
    static QItemSelection withoutHeadings(const QItemSelection &selection);

private:
    bool m_allowsEmptySelection = true;
    bool m_restoring = false;
};
