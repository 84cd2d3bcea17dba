#pragma once
// Lays sublayers out by their constraints (Layer::constraints()). Per axis: a size
// constraint sets the size, else two edge constraints give it, else it stays; then
// the first of min, mid, max places the layer. A sibling is laid out before the
// layers that refer to it (in sublayer order where references go round in a
// circle); a name that matches no sibling leaves that constraint out. Stateless;
// one shared instance serves every layer. Main thread only.
#include "platform/layers/LayoutManager.h"

#include <memory>

namespace platform {

class ConstraintLayoutManager : public LayoutManager
{
public:
    static std::shared_ptr<ConstraintLayoutManager> shared();
    void layoutSublayersOfLayer(Layer &layer) override;
};

} // namespace platform
