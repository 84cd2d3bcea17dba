#pragma once
// Where a KZFlowView takes its items from. Every operation is optional: one that a
// data source does not implement answers none (std::nullopt), and the view keeps its
// default. An item is a platform::KeyValueObservable that "answers" "imageItemUID",
// "imageItemRepresentation", "imageItemRepresentationType" and "imageItemTitle" when
// its key table has the key; the data source keeps its items alive while the view
// shows them. Not owned by the view; main thread only.
//
// Drag and drop: a press on the selected item drags it out; the data source may
// write it to the drag's data (answering whether it wrote anything). A drag over an
// item asks validateDrop (the action it would take, Qt::IgnoreAction for none) and a
// drop there acceptDrop (whether it took the data). removeItemAtIndex is asked when
// a dragged item was deleted by its target; X11 drag and drop has no such target
// (no trash takes a drop), so only a direct call reaches it.
#include <QtGlobal>
#include <qnamespace.h>
#include <optional>

class KZFlowView;
class QDropEvent;
class QMimeData;

namespace platform {
class KeyValueObservable;
}

class KZFlowViewDataSource
{
public:
    virtual ~KZFlowViewDataSource() = default;

    virtual std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &view)
    {
        Q_UNUSED(view);
        return std::nullopt;
    }
    virtual std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &view, unsigned index)
    {
        Q_UNUSED(view);
        Q_UNUSED(index);
        return std::nullopt;
    }
    virtual std::optional<bool> flowViewWriteItemAtIndex(KZFlowView &view, unsigned index, QMimeData &data)
    {
        Q_UNUSED(view);
        Q_UNUSED(index);
        Q_UNUSED(data);
        return std::nullopt;
    }
    // Answers whether it is implemented.
    virtual bool flowViewRemoveItemAtIndex(KZFlowView &view, unsigned index)
    {
        Q_UNUSED(view);
        Q_UNUSED(index);
        return false;
    }
    virtual std::optional<Qt::DropAction> flowViewValidateDrop(KZFlowView &view, const QDropEvent &info,
                                                               unsigned proposedIndex)
    {
        Q_UNUSED(view);
        Q_UNUSED(info);
        Q_UNUSED(proposedIndex);
        return std::nullopt;
    }
    virtual std::optional<bool> flowViewAcceptDrop(KZFlowView &view, const QDropEvent &info, unsigned index)
    {
        Q_UNUSED(view);
        Q_UNUSED(info);
        Q_UNUSED(index);
        return std::nullopt;
    }
};
