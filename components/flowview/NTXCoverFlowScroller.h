#pragma once
// The horizontal scroller of the cover-flow view: a dark, glossy bar with rounded
// arrow buttons at both ends and a capsule-shaped knob that moves in whole steps,
// one step per item. Flipped: its numbers are y-down, the gloss on the upper half.
// The platform scroller tracks the mouse and sends the action; this class replaces
// the parts' geometry, the hit test, the drawing and the value.
//
// Owned by its parent widget; GUI thread only. Values stay in [0, 1]; with no
// increments the value is 0 and the knob sits at the start of its track.
#include "platform/drawing/Scroller.h"

#include <QPainterPath>

class NTXCoverFlowScroller : public platform::Scroller
{
    Q_OBJECT
public:
    explicit NTXCoverFlowScroller(QWidget *parent = nullptr);

    int numberOfIncrements() const { return m_numberOfIncrements; }
    void setNumberOfIncrements(int count);
    int integerValue() const;
    void setIntegerValue(int value);

    QRectF rectForPart(Part part) const override;
    Part testPart(const QPointF &point) const override;
    QRectF knobTrack() const override;

    QPainterPath leftArrowPath() const;
    QPainterPath rightArrowPath() const;

protected:
    void drawScroller(QPainter &painter) override;

private:
    enum class Arrow { Right = 0, Left = 1 };
    void drawKnobSlot(QPainter &painter, const QRectF &rect) const;
    void drawArrow(QPainter &painter, Arrow arrow, bool highlight) const;
    void drawKnob(QPainter &painter) const;
    bool isInKeyWindow() const;

    int m_numberOfIncrements = 0;
};
