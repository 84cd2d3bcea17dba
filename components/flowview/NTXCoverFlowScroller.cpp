#include "components/flowview/NTXCoverFlowScroller.h"

#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/Gradient.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

using platform::BezierPathHelpers::appendArcWithCenter;
using platform::Gradient;

namespace {

constexpr qreal PartHeight = 16;
constexpr qreal ArrowWidth = 30;
constexpr qreal SlotInset = 15;
constexpr qreal KnobOverlap = 9; // how far the knob may run into each arrow
constexpr qreal MinimumKnobWidth = 30;
constexpr qreal CapInset = 8;

// The colours of one look: key window, other window, or a highlighted arrow.
struct Palette
{
    QColor bodyStart, bodyEnd, glossStart, glossEnd, outline, slotFill, slotOutline, slotBottom;
};

QColor white(qreal level, qreal alpha = 1.0)
{
    return Gradient::clampedWhite(level, alpha);
}

const Palette &lookFor(bool keyWindow, bool highlighted)
{
    static const Palette key{white(0.1), white(0.0), white(1.0, 0.3), white(1.0, 0.1),
                             white(1.0, 0.5), white(1.0, 0.3), white(1.0, 0.5), white(0.0, 0.2)};
    static const Palette other{white(0.1), white(0.0), white(1.0, 0.3), white(1.0, 0.0),
                               white(1.0, 0.3), white(1.0, 0.2), white(1.0, 0.3), white(0.0, 0.2)};
    static const Palette highlight{white(0.8), white(0.4), white(1.0, 0.3), white(1.0, 0.1),
                                   white(1.0, 1.0), white(1.0, 0.3), white(1.0, 0.5), white(0.0, 0.2)};
    if (highlighted)
        return highlight;
    return keyWindow ? key : other;
}

QPainterPath roundedRect(const QRectF &rect, qreal xRadius, qreal yRadius)
{
    QPainterPath path;
    path.addRoundedRect(rect, xRadius, yRadius);
    return path;
}

} // namespace

NTXCoverFlowScroller::NTXCoverFlowScroller(QWidget *parent)
    : Scroller(parent)
{
}

void NTXCoverFlowScroller::setNumberOfIncrements(int count)
{
    m_numberOfIncrements = std::max(count, 0);
    setKnobProportion(m_numberOfIncrements > 0 ? 1.0 / (m_numberOfIncrements + 1) : 1.0);
    update();
}

int NTXCoverFlowScroller::integerValue() const
{
    return static_cast<int>(std::floor(m_numberOfIncrements * doubleValue()));
}

void NTXCoverFlowScroller::setIntegerValue(int value)
{
    if (m_numberOfIncrements <= 0) {
        setDoubleValue(0);
        return;
    }
    // Half a step at most past the value, so the floor reads the value back for any
    // number of increments.
    const double n = m_numberOfIncrements;
    setDoubleValue(std::clamp(value / n + std::min(0.01, 0.5 / n), 0.0, 1.0));
}

QRectF NTXCoverFlowScroller::rectForPart(Part part) const
{
    const qreal w = width();
    const qreal h = height();
    const QRectF slot(SlotInset, h - PartHeight, w - 2 * SlotInset, PartHeight);
    switch (part) {
    case Part::KnobSlot:
        return slot;
    case Part::DecrementLine:
        return QRectF(0, slot.y(), ArrowWidth, slot.height());
    case Part::IncrementLine:
        return QRectF(w - ArrowWidth, slot.y(), ArrowWidth, slot.height());
    case Part::Knob: {
        const QRectF track = knobTrack();
        const qreal knobWidth = std::max(knobProportion() * track.width(), MinimumKnobWidth);
        const qreal step = m_numberOfIncrements > 0
                               ? integerValue() * (track.width() - knobWidth) / m_numberOfIncrements
                               : 0;
        return QRectF(track.x() + step, slot.y(), knobWidth, slot.height());
    }
    default:
        return {};
    }
}

QRectF NTXCoverFlowScroller::knobTrack() const
{
    const QRectF decrement = rectForPart(Part::DecrementLine);
    const QRectF increment = rectForPart(Part::IncrementLine);
    const qreal track = width() - decrement.width() - increment.width() + 2 * KnobOverlap;
    return QRectF(decrement.right() - KnobOverlap, decrement.y(), track, decrement.height());
}

NTXCoverFlowScroller::Part NTXCoverFlowScroller::testPart(const QPointF &point) const
{
    if (leftArrowPath().contains(point))
        return Part::DecrementLine;
    if (rightArrowPath().contains(point))
        return Part::IncrementLine;
    if (rectForPart(Part::Knob).contains(point))
        return Part::Knob;
    return Part::None;
}

QPainterPath NTXCoverFlowScroller::leftArrowPath() const
{
    const QRectF r = rectForPart(Part::DecrementLine);
    const qreal radius = r.height() / 2;
    const qreal mid = r.center().y();
    QPainterPath path;
    appendArcWithCenter(path, {r.x() + CapInset, mid}, radius, 90, 270);
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.moveTo(r.right(), r.top());
    appendArcWithCenter(path, {r.right(), mid}, radius, 90, 270);
    path.moveTo(r.right(), r.bottom());
    path.lineTo(r.x() + CapInset, r.bottom());
    path.setFillRule(Qt::OddEvenFill);
    path.closeSubpath();
    return path;
}

QPainterPath NTXCoverFlowScroller::rightArrowPath() const
{
    const QRectF r = rectForPart(Part::IncrementLine);
    const qreal radius = r.height() / 2;
    const qreal mid = r.center().y();
    QPainterPath path;
    appendArcWithCenter(path, {r.right() - CapInset, mid}, radius, -90, 90);
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top());
    path.moveTo(r.left(), r.bottom());
    appendArcWithCenter(path, {r.left(), mid}, radius, -90, 90);
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - CapInset, r.top());
    path.setFillRule(Qt::OddEvenFill);
    path.closeSubpath();
    return path;
}

bool NTXCoverFlowScroller::isInKeyWindow() const
{
    return isActiveWindow();
}

void NTXCoverFlowScroller::drawScroller(QPainter &painter)
{
    if (knobProportion() >= 1.0)
        return;
    drawKnobSlot(painter, rectForPart(Part::KnobSlot));
    drawArrow(painter, Arrow::Right, hitPart() == Part::IncrementLine);
    drawArrow(painter, Arrow::Left, hitPart() == Part::DecrementLine);
    drawKnob(painter);
}

void NTXCoverFlowScroller::drawKnobSlot(QPainter &painter, const QRectF &rect) const
{
    const Palette &colors = lookFor(isInKeyWindow(), false);
    const QRectF inner = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(inner, colors.slotFill);
    painter.setPen(QPen(colors.slotOutline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner);
    painter.fillRect(QRectF(rect.x(), rect.y() + 1, rect.width(), 1), colors.slotBottom);
}

void NTXCoverFlowScroller::drawArrow(QPainter &painter, Arrow arrow, bool highlight) const
{
    const bool right = arrow == Arrow::Right;
    const QRectF part = rectForPart(right ? Part::IncrementLine : Part::DecrementLine);
    const QPainterPath path = right ? rightArrowPath() : leftArrowPath();
    const Palette &colors = lookFor(isInKeyWindow(), highlight);

    painter.save();
    painter.setClipPath(path);
    Gradient(colors.bodyStart, colors.bodyEnd).drawInBezierPath(painter, path, 90);
    const QRectF gloss(right ? part.x() - 24 : part.x() + 4, part.y(), part.width() + 20, part.height() / 2);
    Gradient(colors.glossStart, colors.glossEnd).drawInBezierPath(painter, roundedRect(gloss, 8, 4), 90);
    painter.strokePath(path, QPen(colors.outline, 2));
    painter.restore();

    const qreal mid = part.center().y();
    QPainterPath glyph;
    if (right) {
        glyph.moveTo(part.right() - 9, mid);
        glyph.lineTo(part.right() - 15, part.y() + 5);
        glyph.lineTo(part.right() - 15, part.bottom() - 5);
    } else {
        glyph.moveTo(part.x() + 9, mid);
        glyph.lineTo(part.x() + 15, part.y() + 5);
        glyph.lineTo(part.x() + 15, part.bottom() - 5);
    }
    glyph.closeSubpath();
    painter.fillPath(glyph, colors.outline);
}

void NTXCoverFlowScroller::drawKnob(QPainter &painter) const
{
    const QRectF knob = rectForPart(Part::Knob);
    const qreal radius = knob.height() / 2;
    const qreal mid = knob.center().y();
    QPainterPath path;
    appendArcWithCenter(path, {knob.x() + CapInset, mid}, radius, 90, 270);
    appendArcWithCenter(path, {knob.right() - CapInset, mid}, radius, -90, 90);
    path.moveTo(knob.x() + CapInset, knob.bottom());
    path.lineTo(knob.right() - CapInset, knob.bottom());
    const Palette &colors = lookFor(isInKeyWindow(), false);

    painter.save();
    painter.setClipPath(path);
    Gradient(colors.bodyStart, colors.bodyEnd).drawInBezierPath(painter, path, 90);
    const QRectF gloss(knob.x() + 4, knob.y(), knob.width() - 8, knob.height() / 2);
    Gradient(colors.glossStart, colors.glossEnd).drawInBezierPath(painter, roundedRect(gloss, 8, 4), 90);
    painter.strokePath(path, QPen(colors.outline, 2));
    painter.restore();
}
