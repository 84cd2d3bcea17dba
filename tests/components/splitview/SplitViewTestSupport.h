#pragma once
// Builders for split view tests: a split view of panes with given sizes along the
// split direction (vertical unless asked otherwise), laid out at once.
#include "components/splitview/ZQSplitView.h"

#include <memory>
#include <string>
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

// One change to a pane as its user or owner makes it, by number: 0 collapse, 1
// expand, 2 a drag of up to `reach` pixels either way (collapsing or not, and moving
// the pane's far edge too when `moves`), 3 a new dimension of up to `largest`, any
// other hiding or showing it (never hiding the last shown pane). `pick(low, high)`
// draws the numbers.
template <class Pick>
void changePane(ZQSplitView &view, ZQSplitSubview &pane, int what, Pick &&pick, int reach, int largest, bool moves)
{
    switch (what) {
    case 0:
        pane.collapse();
        break;
    case 1:
        pane.expand();
        break;
    case 2: {
        const float by = float(pick(-reach, reach));
        const bool mayCollapse = pick(0, 1) == 1;
        pane.changeDimensionBy(by, mayCollapse, moves && pick(0, 1) == 1);
        break;
    }
    case 3:
        pane.setDimension(float(pick(1, largest)));
        break;
    default:
        if (pane.isHiddenPane() || view.ZQ___numberOfSubviews() > 1)
            pane.setVisible(pane.isHiddenPane());
        break;
    }
}

// A seeded split view for the random tests: 2 to 7 panes of up to `largestSize`,
// either orientation, dividers of 1 to 10, a third of the panes with limits (a minimum
// of up to 120, half of them a maximum too), each collapsible or not.
template <class Pick>
std::unique_ptr<ZQSplitView> seededSplitView(Pick &&uniform, int largestSize)
{
    const int count = uniform(2, 7);
    std::vector<float> sizes;
    for (int i = 0; i < count; ++i)
        sizes.push_back(float(uniform(10, largestSize)));
    const bool horizontal = uniform(0, 1) == 1;
    auto view = makeSplitView(sizes, float(uniform(0, 3) * 3 + 1), horizontal);
    for (unsigned i = 0; i < unsigned(count); ++i) {
        ZQSplitSubview *pane = view->subviewAtPosition(i);
        if (uniform(0, 2) == 0) {
            const int minimum = uniform(1, 120);
            pane->setMinDimension(float(minimum), uniform(0, 1) ? float(minimum + uniform(0, 500)) : 0.0f);
        }
        pane->setCanCollapse(uniform(0, 1) == 1);
    }
    return view;
}

inline float along(const ZQSplitView &view, unsigned i)
{
    const QRectF f = view.subviewAtPosition(i)->frame();
    return float(view.isHorizontal() ? f.height() : f.width());
}

// A shown pane out of its limits is one that no other could make room for: past its
// maximum only while every other expanded pane is at its own, under its minimum only
// while every other is at or under its own. Empty when the view keeps to that, else
// the two panes that don't.
inline std::string limitsGivingWay(const ZQSplitView &view)
{
    std::vector<const ZQSplitSubview *> expanded;
    for (const ZQSplitSubview *pane : view.ZQ___subviews()) {
        if (!pane->isCollapsed())
            expanded.push_back(pane);
    }
    const auto describe = [&view](const ZQSplitSubview *pane) {
        return "pane " + std::to_string(pane->position()) + " at " + std::to_string(int(along(view, pane->position())))
               + " in [" + std::to_string(int(pane->minDimension())) + ", "
               + std::to_string(int(pane->maxDimension())) + "]";
    };
    for (const ZQSplitSubview *pane : expanded) {
        const float size = along(view, pane->position());
        for (const ZQSplitSubview *other : expanded) {
            const float room = along(view, other->position());
            if (other != pane && ((size > pane->maxDimension() && room < other->maxDimension())
                                  || (size < pane->minDimension() && room > other->minDimension())))
                return describe(pane) + " while " + describe(other) + " could take the difference";
        }
    }
    return {};
}

} // namespace splitviewtest
