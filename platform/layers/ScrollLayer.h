#pragma once
// A layer whose bounds origin is the scroll position: scrolling moves its sublayers
// under it, in the directions its mode allows. It bounds visibleRect() of the
// layers below it. Ownership and threading as Layer.
#include "platform/layers/Layer.h"

namespace platform {

class ScrollLayer : public Layer
{
public:
    enum class ScrollMode { None, Horizontally, Vertically, Both };

    static std::shared_ptr<ScrollLayer> create();
    ScrollLayer() = default;

    ScrollMode scrollMode() const { return m_mode; }
    void setScrollMode(ScrollMode mode) { m_mode = mode; }
    // Moves the bounds origin to the point (only the coordinates the mode allows).
    void scrollToPoint(const QPointF &point);
    // Scrolls as little as needed to show the rectangle (its origin first when it is
    // larger than the bounds).
    void scrollToRect(const QRectF &rect);

    bool isScrollLayer() const override { return true; }

protected:
    ScrollLayer(const ScrollLayer &model, PresentationCopy tag);
    LayerPtr makePresentationCopy() const override;

private:
    ScrollMode m_mode = ScrollMode::Both;
};

} // namespace platform
