#pragma once
// Where a KZFlowView takes its items from. Every operation is optional: one that a
// data source does not implement answers none (std::nullopt), and the view keeps its
// default. An item is a platform::KeyValueObservable that "answers" "imageItemUID",
// "imageItemRepresentation", "imageItemRepresentationType" and "imageItemTitle" when
// its key table has the key; the data source keeps its items alive while the view
// shows them. Not owned by the view; main thread only.
#include <QtGlobal>
#include <optional>

class KZFlowView;

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
};
