#pragma once
// Places the sublayers of a layer when it is laid out (Layer::layoutSublayers()).
// Shared by the layers it serves. Main thread only.
namespace platform {

class Layer;

class LayoutManager
{
public:
    virtual ~LayoutManager() = default;
    virtual void layoutSublayersOfLayer(Layer &layer) = 0;
};

} // namespace platform
