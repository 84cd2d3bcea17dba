#include "components/tabbarcontrol/styles/VTUnifiedTabStyle.h"

#include "components/tabbarcontrol/VTShading.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QPainter>

#include <algorithm>

using namespace VTTabStyleDrawing;
using platform::SystemColors::calibratedWhite;

QRectF VTUnifiedTabStyle::closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const
{
    if (!cell || !cell->hasCloseButton())
        return {};
    return QRectF(QPointF(frame.x() + 6, frame.y() + 4), VTTabBarArtwork::sizeOf(m_close[0]));
}

QRectF VTUnifiedTabStyle::indicatorRectForTabCell(const VTTabBarCell *cell) const
{
    return indicatorRectAt(cell, 2);
}

void VTUnifiedTabStyle::drawTabCell(const VTTabBarCell *cell, QPainter &painter)
{
    if (!cell)
        return;
    QRectF f = cell->frame();
    const bool separator = platform::WindowChrome::toolbarShowsBaselineSeparator(cell->controlView());
    painter.save();
    if (separator && !isSelected(cell)) {
        const QRectF r(f.x() + 0.5, f.y() + 0.5, f.width(), f.height());
        if (cell->isHighlighted())
            drawHighlight(painter, r);
        const qreal right = r.x() + r.width();
        const bool nextSelected = cell->tabState() & VTTabBarCell::RightIsSelected;
        if (!nextSelected) {
            painter.setPen(QPen(calibratedWhite(0.576), 1.0));
            painter.drawLine(QLineF(right, r.y() - 0.5, right, r.y() + r.height()));
            painter.setPen(QPen(calibratedWhite(1.0, 0.5), 1.0));
            painter.drawLine(QLineF(right + 1, r.y() - 0.5, right + 1, r.y() + r.height() - 2.5));
        }
        if (cell->tabState() & VTTabBarCell::FirstVisibleTab) {
            painter.setPen(QPen(calibratedWhite(0.576), 1.0));
            painter.drawLine(QLineF(r.x(), r.y() - 0.5, r.x(), r.y() + r.height() - 2.5));
            painter.setPen(QPen(calibratedWhite(1.0, 0.5), 1.0));
            painter.drawLine(QLineF(r.x() + 1, r.y() - 0.5, r.x() + 1, r.y() + r.height() - 2.5));
        }
    } else {
        if (!separator)
            f = QRectF(f.x(), f.y() + 1, f.width(), f.height() - 1);
        const QRectF r(f.x() + 0.5, f.y() - 0.5, f.width(), f.height());
        const qreal radius = std::min(6.0, std::min(r.width(), r.height()) / 2);
        QPainterPath path = roundedTop(r.x(), r.y(), r.x() + r.width(), r.y() + r.height(), radius);
        path.closeSubpath();
        if (applicationIsActive()) {
            const qreal from = isSelected(cell) ? 0.99 : cell->isHighlighted() ? 0.8 : 0.835;
            const qreal to = isSelected(cell) ? 0.941 : cell->isHighlighted() ? 0.8 : 0.843;
            VTShading::linearGradientFill(painter, path, calibratedWhite(from), calibratedWhite(to));
        }
        painter.setPen(QPen(calibratedWhite(0.576), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();
    drawInteriorWithTabCell(cell, cell->controlView(), painter);
}

void VTUnifiedTabStyle::drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    const qreal s = cell->attributedStringValue().size().height();
    drawInterior(cell, f, f.y() + (f.height() - s) / 2 - 1, painter);
}

void VTUnifiedTabStyle::drawBackgroundInRect(QPainter &painter, const QRectF &)
{
    const QRectF b = m_tabBar ? QRectF(m_tabBar->rect()) : QRectF();
    const QRectF r(b.x(), b.y(), b.width(), b.height() - 1);
    QPainterPath path;
    path.addRect(r);
    VTShading::linearGradientFill(painter, path, calibratedWhite(0.835), calibratedWhite(0.843));
    painter.save();
    painter.setPen(QPen(calibratedWhite(0.576), 1.0));
    painter.drawLine(QLineF(b.x(), b.y() + b.height() - 0.5, b.x() + b.width(), b.y() + b.height() - 0.5));
    painter.restore();
    if (!isKeyWindow(m_tabBar))
        painter.fillRect(r, windowBackgroundColor());
}

void VTUnifiedTabStyle::drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control)
        return;
    m_tabBar = control;
    drawBackgroundInRect(painter, rect);
    drawCells(control, painter, rect);
}
