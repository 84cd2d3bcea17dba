#pragma once
// Builders for split view tests: a split view of panes with given sizes along the
// split direction (vertical unless asked otherwise), laid out at once.
#include "components/splitview/ZQSplitView.h"

#include <memory>
#include <vector>

namespace splitviewtest {

// Panes side by side with the given widths and dividers of the given thickness; the
// split view is exactly as wide as they are together.
inline std::unique_ptr<ZQSplitView> makeSplitView(const std::vector<float> &sizes, float thickness = 9,
                                                  bool horizontal = false, float cross = 100)
{
    float total = thickness * float(sizes.size() - 1);
    for (float s : sizes)
        total += s;
    const QRectF frame = horizontal ? QRectF(0, 0, cross, total) : QRectF(0, 0, total, cross);
    auto view = std::make_unique<ZQSplitView>(frame);
    view->setHorizontal(horizontal);
    view->setDividerThickness(thickness);
    for (float s : sizes)
        view->addSubview(new ZQSplitSubview(horizontal ? QRectF(0, 0, cross, s) : QRectF(0, 0, s, cross)));
    view->adjustSubviews();
    return view;
}

inline float along(const ZQSplitView &view, unsigned i)
{
    const QRectF f = view.subviewAtPosition(i)->frame();
    return float(view.isHorizontal() ? f.height() : f.width());
}

} // namespace splitviewtest
