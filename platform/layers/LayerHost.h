#pragma once
// What shows a layer tree (LayerHostWidget): told whenever something in the tree
// changed or animated, so that it renders again. Main thread only.
namespace platform {

class LayerHost
{
public:
    virtual ~LayerHost() = default;
    virtual void layerTreeNeedsRender() = 0;
};

} // namespace platform
