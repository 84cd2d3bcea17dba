#pragma once
// The dark rounded panel of the hot-key status window: black at 35 % opacity with
// corners rounded by arcs of 25 points. The panel is described in y-up coordinates
// (origin at the bottom left) and painted through the y-up painter.
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

class RoundedView : public QWidget
{
    Q_OBJECT
public:
    // The corner radius and the fill's opacity.
    static constexpr qreal CornerRadius = 25.0;
    static constexpr qreal FillAlpha = 0.35;

    explicit RoundedView(QWidget *parent = nullptr);
    ~RoundedView() override;

    // The panel's outline for a rectangle in y-up coordinates: it starts at the middle
    // of the bottom edge and turns each corner in an arc of CornerRadius (at most half
    // the shorter side, so small panels stay convex); every point is cut to whole
    // points toward zero. Empty for an empty or non-finite rectangle.
    static QPainterPath panelPath(const QRectF &rect);

    // Draws the panel for the rectangle (y-up) with a painter already in y-up space.
    static void drawPanel(QPainter &painter, const QRectF &rect);

    // drawRect: the panel over the whole view.
    void drawRect(QPainter &painter, const QRectF &dirtyRect);

protected:
    void paintEvent(QPaintEvent *event) override;
};
