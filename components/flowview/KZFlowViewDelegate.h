#pragma once
// What a KZFlowView tells its owner. Every operation is optional: the defaults do
// nothing. Not owned by the view; main thread only.
class KZFlowView;

class KZFlowViewDelegate
{
public:
    virtual ~KZFlowViewDelegate() = default;

    // The selected index changed (by the user or the program).
    virtual void flowViewSelectionDidChange(KZFlowView &view) { (void)view; }
};
