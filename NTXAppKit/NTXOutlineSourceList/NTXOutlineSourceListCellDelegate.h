#pragma once
// Draws the text cell of each source-list row where the list places it (past the
// icon, short of the badge) and sizes the rows. The cell is the delegate's answer to
// sourceListDataCellForItem when it gives one, else a text field cell; either is
// prepared from the row and shown to sourceListWillDisplayCellForItem before it is
// drawn. Owned by its source list. Threads: GUI thread only.
#include "platform/drawing/CellItemDelegate.h"

class NTXOutlineSourceList;

class NTXOutlineSourceListCellDelegate : public platform::CellItemDelegate
{
    Q_OBJECT
public:
    explicit NTXOutlineSourceListCellDelegate(NTXOutlineSourceList *sourceList);

    // The cell drawn for the row, prepared.
    std::unique_ptr<platform::Cell> cellForIndex(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    NTXOutlineSourceList *m_sourceList;
};
