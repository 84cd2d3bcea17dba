#pragma once
// What a KZFlowView tells its owner. Every operation is optional: the defaults do
// nothing and answer that they are not implemented (false), so the view keeps its
// own default behaviour. Not owned by the view; main thread only.
class KZFlowView;
class QMouseEvent;

class KZFlowViewDelegate
{
public:
    virtual ~KZFlowViewDelegate() = default;

    // The selected index changed (by the user or the program).
    virtual void flowViewSelectionDidChange(KZFlowView &view) { (void)view; }
    virtual bool flowViewItemWasDoubleClickedAtIndex(KZFlowView &view, unsigned index)
    {
        (void)view;
        (void)index;
        return false;
    }
    virtual bool flowViewItemWasRightClickedAtIndex(KZFlowView &view, unsigned index, QMouseEvent &event)
    {
        (void)view;
        (void)index;
        (void)event;
        return false;
    }
};
