#include "platform/layers/ScrollLayer.h"

namespace platform {

std::shared_ptr<ScrollLayer> ScrollLayer::create()
{
    return std::make_shared<ScrollLayer>();
}

ScrollLayer::ScrollLayer(const ScrollLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_mode(m.m_mode)
{
}

LayerPtr ScrollLayer::makePresentationCopy() const
{
    return LayerPtr(new ScrollLayer(*this, PresentationCopy{}));
}

void ScrollLayer::scrollToPoint(const QPointF &point)
{
    QPointF origin = bounds().topLeft();
    if (m_mode == ScrollMode::Horizontally || m_mode == ScrollMode::Both)
        origin.setX(point.x());
    if (m_mode == ScrollMode::Vertically || m_mode == ScrollMode::Both)
        origin.setY(point.y());
    setBounds(QRectF(origin, bounds().size()));
}

void ScrollLayer::scrollToRect(const QRectF &rect)
{
    const QRectF b = bounds();
    QPointF origin = b.topLeft();
    auto axis = [](qreal start, qreal length, qreal visibleStart, qreal visibleLength) {
        if (length >= visibleLength || start < visibleStart)
            return start;
        if (start + length > visibleStart + visibleLength)
            return start + length - visibleLength;
        return visibleStart;
    };
    origin.setX(axis(rect.x(), rect.width(), b.x(), b.width()));
    origin.setY(axis(rect.y(), rect.height(), b.y(), b.height()));
    scrollToPoint(origin);
}

} // namespace platform
