#pragma once
// What an outline's model implements (next to QAbstractItemModel) when its rows stand
// for objects of its own, such as the nodes of a document: the item of a row and the
// row of an item. The outline-view helpers then speak of those items; with a model
// that does not implement it, an item is the row's QModelIndex (column 0) in a QVariant.
#include <QModelIndex>
#include <QVariant>

class NTXOutlineItemMapping
{
public:
    virtual ~NTXOutlineItemMapping() = default;

    // The item of a row (any column of it); an invalid QVariant for none.
    virtual QVariant itemForIndex(const QModelIndex &index) const = 0;
    // The index (column 0) of an item, invalid when the model does not hold it.
    virtual QModelIndex indexForItem(const QVariant &item) const = 0;
    // Whether every cell of every row the model holds is enabled and can be selected
    // (flags() says so for each): the selection helpers then do not ask row by row.
    virtual bool everyRowSelectable() const { return false; }
};
